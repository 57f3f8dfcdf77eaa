#include "export/page_template.h"

#include <cstring>
#include <vector>

#include "platform/atomic_file.h"

std::string base64(const std::string& bytes)
{
    static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 | static_cast<uint8_t>(bytes[i + 1]) << 8 |
                           static_cast<uint8_t>(bytes[i + 2]);
        for (int k = 3; k >= 0; --k) out.push_back(kDigits[(v >> (6 * k)) & 63]);
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 | (two ? static_cast<uint8_t>(bytes[i + 1]) << 8 : 0);
        out.push_back(kDigits[(v >> 18) & 63]);
        out.push_back(kDigits[(v >> 12) & 63]);
        out.push_back(two ? kDigits[(v >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

std::string scriptSafe(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 8, "</script") == 0 || text.compare(i, 8, "</SCRIPT") == 0) out += "<\\";
        else out.push_back(text[i]);
    }
    return out;
}

bool writeFilledPage(const std::string& path, std::string_view page, std::initializer_list<const char*> slots,
                     std::initializer_list<const std::string*> fill, uint64_t& size, std::string& error)
{
    // The template's text between and around its slots, the values in place.
    std::vector<std::string_view> parts;
    size_t from = 0;
    const std::string* const* value = fill.begin();
    for (const char* slot : slots) {
        const size_t at = page.find(slot, from);
        if (at == std::string_view::npos || value == fill.end()) {
            error = "this build's page template is malformed";
            return false;
        }
        parts.push_back(page.substr(from, at - from));
        parts.push_back(**value++);
        from = at + std::strlen(slot);
    }
    parts.push_back(page.substr(from));
    AtomicFile file;
    if (!file.open(path, error)) return false;
    for (const std::string_view part : parts)
        if (!file.write(part.data(), part.size(), error)) return false;
    size = file.position();
    return file.commit(error);
}
