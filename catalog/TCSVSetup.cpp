#include "catalog/TCSVSetup.h"

#include "platform/TextUtils.h"

namespace artikel {

std::vector<std::string> SplitColumnList(std::string_view text)
{
    std::vector<std::string> names;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        while (i < n && static_cast<unsigned char>(text[i]) <= ' ')
            ++i;
        std::string name;
        if (i < n && text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        name += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                name += text[i++];
            }
            // Anything between the closing quote and the next comma belongs to no name.
            while (i < n && text[i] != ',')
                ++i;
        } else {
            const size_t start = i;
            while (i < n && text[i] != ',')
                ++i;
            name = std::string(TrimText(text.substr(start, i - start)));
        }
        if (i < n && text[i] == ',')
            ++i;
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

std::string JoinColumnList(const std::vector<std::string>& names)
{
    std::string out;
    for (const std::string& name : names) {
        if (!out.empty())
            out += ',';
        out += '"';
        for (char c : name) {
            out += c;
            if (c == '"')
                out += '"';
        }
        out += '"';
    }
    return out;
}

} // namespace artikel
