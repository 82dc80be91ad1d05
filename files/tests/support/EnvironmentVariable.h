#pragma once
// An environment variable set (or, given a null value, unset) for as long as the object
// lives, and put back as it was afterwards.
#include <QByteArray>
#include <QtGlobal>

namespace orvane::testsupport {

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvironmentVariable()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

} // namespace orvane::testsupport
