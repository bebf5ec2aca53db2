#pragma once
// Percent-encoding of request values (with the code-page conversion beneath it) and opening
// the online service's pages in the user's browser.

#include <windows.h>

#include <string>

// Converts the text from one code page to another through UTF-16. Empty when the text is
// missing or either step fails or gives nothing.
std::string ConvertToUTF8(const char* text, UINT sourceCodePage, UINT targetCodePage);

// The text (ANSI code page) as UTF-8 with every byte except the ASCII letters and digits
// written as "%XX" (so a blank is "%20", and ".", "-", "_", "~" are encoded too). Empty
// for a missing or empty text and when the conversion fails; callers store it as it is.
std::string URLEncode(const char* text);

// Opens the URL with the shell's "open" verb (the default browser); when that fails, starts
// the fallback browser with the URL as its parameter. False for a missing or empty URL
// (nothing logged) and when neither could be started.
bool OpenWebBrowser(const char* url);
