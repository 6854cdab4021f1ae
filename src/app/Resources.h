#pragma once
// Names of the program's own resources, shared by the resource script and the code.
#define IDI_MAINICON 1
#define IDR_MANIFEST 1
#define RES_TRAYFRAMES "TRAYFRAMES"
#define RES_HAND "HAND"
