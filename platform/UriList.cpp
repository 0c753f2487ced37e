#include "platform/UriList.h"

#include <climits>
#include <cstdlib>
#include <strings.h>

namespace orva::platform {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes %XX escapes; a malformed escape or an encoded NUL spoils the whole path.
bool percentDecode(const std::string& in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size()) return false;
        const int hi = hexValue(in[i + 1]), lo = hexValue(in[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return false;
        out += char(hi * 16 + lo);
        i += 2;
    }
    return true;
}

}  // namespace

std::string pathFromFileUri(const std::string& uri, const std::string& hostName) {
    if (uri.size() < 6 || strncasecmp(uri.c_str(), "file:", 5) != 0) return {};
    std::string rest = uri.substr(5);
    if (rest.compare(0, 2, "//") == 0) {
        // An authority: empty, localhost or this machine.
        const size_t slash = rest.find('/', 2);
        if (slash == std::string::npos) return {};
        const std::string host = rest.substr(2, slash - 2);
        if (!host.empty() && strcasecmp(host.c_str(), "localhost") != 0 &&
            (hostName.empty() || strcasecmp(host.c_str(), hostName.c_str()) != 0))
            return {};
        rest = rest.substr(slash);
    }
    if (rest.empty() || rest[0] != '/') return {};
    // A query or fragment is not part of the path.
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path;
    if (!percentDecode(rest, path)) return {};
    return path;
}

std::vector<std::string> filesFromUriList(const std::string& uriList, const std::string& hostName) {
    std::vector<std::string> files;
    size_t start = 0;
    while (start <= uriList.size()) {
        size_t end = uriList.find('\n', start);
        if (end == std::string::npos) end = uriList.size();
        std::string line = uriList.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\0')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;  // blank lines and comments
        std::string path = pathFromFileUri(line, hostName);
        if (path.empty()) continue;
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved)) path = resolved;
        files.push_back(path);
    }
    return files;
}

}  // namespace orva::platform
