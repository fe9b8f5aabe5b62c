#pragma once
// A reader of CSV as a spreadsheet program reads it, independent of the
// writer's code: fields quoted or not, "" inside quotes for a quote, rows
// ended by CR LF. A row that is not complete (an open quote, no CR LF at the
// end of the text) fails the read.

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

using CsvRows = std::vector<std::vector<std::string>>;

inline std::optional<CsvRows> ParseCsv(const std::string& text)
{
    CsvRows rows;
    std::vector<std::string> row;
    std::string field;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size())
                    return std::nullopt; // the quote never closes
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i];
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
                field += text[i++];
        }
        row.push_back(std::move(field));
        field.clear();
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (text.compare(i, 2, "\r\n") != 0)
            return std::nullopt; // a row cut short, or text after a quote
        i += 2;
        rows.push_back(std::move(row));
        row.clear();
    }
    return rows;
}

} // namespace testsupport
