#pragma once

// The seam between the source readers and the CSV writer of the converter: a reader pushes
// rows (the first one is the header) as Windows-1252 text; the writer decides quoting and the
// separator. A reader reports a file it cannot convert with EConvertError.

#include <stdexcept>
#include <string>
#include <vector>

namespace artikel::convert {

// The message is a German sentence for the user, naming the file and what is wrong with it;
// like all the program's text it is Windows-1252 bytes.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TConvertSink {
public:
    virtual ~TConvertSink() = default;
    // First call: the header; then one call per data row. Cells are Windows-1252 bytes.
    virtual void Row(const std::vector<std::string>& cells) = 0;
    // An additional note for the user ("Message=" line of the result file), Windows-1252.
    virtual void Note(const std::string& message) = 0;
};

} // namespace artikel::convert
