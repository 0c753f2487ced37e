// The file list of a drag and drop: a text/uri-list (RFC 2483) turned into local
// paths. Only file: URIs naming this machine count; %XX escapes are decoded; links
// are resolved to what they point at, so a dropped shortcut gives its target.
#pragma once

#include <string>
#include <vector>

namespace orva::platform {

// hostName: this machine's name (file://hostName/... is local, as are file:///...
// and file://localhost/...).
std::vector<std::string> filesFromUriList(const std::string& uriList, const std::string& hostName);

// A file: URI's path, decoded; empty when the URI is not a local file.
std::string pathFromFileUri(const std::string& uri, const std::string& hostName);

}  // namespace orva::platform
