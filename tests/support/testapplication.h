#pragma once

#include "platform/ui/application.h"

// The application object of the test executables. Errors end at their handler's edge;
// one that reaches QApplication::notify fails the test that was running.
class TestApplication : public IpraApplication
{
public:
    using IpraApplication::IpraApplication;
    // Errors that reached notify so far.
    int escapes() const { return m_escapes; }

protected:
    void errorEscaped(const QString& message, const char* receiverClass, QEvent::Type type) override;

private:
    int m_escapes = 0;
};
