#pragma once
// Points the request table of a test program at a stand-in service: writes
// "Connection.info" beside the running program so that every built-in request row calls
// the given base URL with the row's own path kept ("https://host/pcapp/LogUploadAPI" becomes
// "<base>/pcapp/LogUploadAPI"; rows without a path become the base URL itself).
// The table reads the file once, on its first use in the process: call this before
// anything asks the table for a URL or a body, in a test program built into a folder of its
// own (kestrum_test(... OWN_FOLDER ...)).

#include <string>

namespace onlinetest {

// baseURL: scheme, host, port and an optional prefix, without a trailing slash, for
// instance "http://127.0.0.1:8080/t42". False when the file could not be written.
bool WriteConnectionInfo(const std::string& baseURL);
// The same file at the path given: beside another program (the launcher's tests' product
// folder).
bool WriteConnectionInfoAt(const std::string& path, const std::string& baseURL);

// "Connection.info" beside the running program.
std::string ConnectionInfoPath();

// The path of a built-in URL: what follows "scheme://host"; empty for a URL without a path
// and for a bare host name.
std::string PathOfURL(const std::string& url);

} // namespace onlinetest
