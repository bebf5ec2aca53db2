#pragma once
// Every error of the skin framework (a wrong or missing skin text, block, keyword or image)
// reaches the user in a message box titled "Skin Load" and is then thrown as
// CSkinWindowException with the same text. The box goes through a reporter that tests and
// the skin lint replace to collect the texts instead of showing them.

#include "lib/Exception.h"

#include <string>

namespace ui {

class CSkinWindowException : public lib::RuntimeException {
public:
    explicit CSkinWindowException(const std::string& message) : lib::RuntimeException(message) {}
    CSkinWindowException(const CSkinWindowException&) = default;
    ~CSkinWindowException() override = default;
    void Throw() const override { throw *this; }
};

// Shows a skin error to the user before it is thrown.
class ISkinErrorReporter {
public:
    virtual ~ISkinErrorReporter() = default;
    virtual void ReportSkinError(const std::string& message) = 0;
};

// Installs the process's reporter (null: the "Skin Load" message box again) and answers the
// one it replaces.
ISkinErrorReporter* SetSkinErrorReporter(ISkinErrorReporter* reporter);

// Logs the message, reports it (by default a "Skin Load" box with no owner and the hand
// icon, waited for) and throws CSkinWindowException(message).
[[noreturn]] void ThrowSkinException(const std::string& message);

} // namespace ui
