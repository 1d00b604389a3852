#pragma once

// Runs the built ipra-report as the program it is.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace ReportTool {

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

inline Outcome run(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(IPRA_REPORT_BINARY), arguments);
    Outcome outcome;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "ipra-report did not finish: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    outcome.status = process.exitCode();
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

} // namespace ReportTool
