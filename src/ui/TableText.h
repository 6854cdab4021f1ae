#pragma once
// The connection table as data: how its columns compare when sorted, and the table as
// tab-separated or comma-separated text for the clipboard and for files.
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sockmere {

// How a column's texts order: numbers (then other texts), addresses, plain text, or IDs.
enum class ColumnKind { Number, Address, Text, Id };

// The kind of each table column: "#", "Proto", "Local Port", "Remote Addr", "Remote Port",
// "Status", and with the process columns "PID" and "Process".
ColumnKind TableColumnKind(int column) noexcept;

// The process columns, shown after "Status" while the owning processes are asked for.
inline constexpr int kPidColumn = 6;
inline constexpr int kProcessColumn = 7;
// The columns' captions, the process columns last.
inline constexpr const char* kColumnCaptions[] = {"#",           "Proto",  "Local Port", "Remote Addr",
                                                  "Remote Port", "Status", "PID",        "Process"};

// Negative, zero or positive as a sorts before, with or after b.
//  Number: decimal numbers by value, then any other text ("*", service names) alphabetically.
//  Address: IPv4 by value, then IPv6 by value, then names alphabetically.
//  Text: alphabetically.
//  Id: decimal numbers by value, an empty text before every number.
// Letter case is ignored wherever text is compared: in ASCII, and in UTF-8 (process names) for
// the Latin, Greek and Cyrillic alphabets.
int CompareFields(ColumnKind kind, std::string_view a, std::string_view b);

// The rows' display order when sorted by one column: fields[i] is row i's text in that column,
// and the result lists row indexes, first shown first. Rows that compare equal keep their
// order, whichever the direction.
std::vector<int> SortedRows(ColumnKind kind, std::span<const std::string_view> fields, bool descending);
std::vector<int> SortedRows(ColumnKind kind, std::span<const std::string> fields, bool descending);
// As above, with rows whose fields compare equal ordered next by their ids (ColumnKind::Id).
std::vector<int> SortedRows(ColumnKind kind, std::span<const std::string_view> fields,
                            std::span<const std::string_view> ids, bool descending);

enum class TableFormat { Tsv, Csv };

// The header line and the rows, each line ended by CR LF. Tsv joins fields with tabs and puts
// a blank for any tab or line break inside a field; Csv follows RFC 4180.
// field(row, column) gives a row's text in a column.
std::string TableText(TableFormat format, std::span<const std::string> header, std::size_t rows,
                      const std::function<std::string(std::size_t row, std::size_t column)>& field);

// One field as Csv writes it: quoted when it holds a comma, a quote or a line break.
void AppendCsvField(std::string& out, std::string_view field);

}  // namespace sockmere
