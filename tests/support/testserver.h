#pragma once

#include <QString>
#include <QStringList>

// The test cluster's real server, for the tests of a lost connection. scripts/test
// tells where it lives (IPRA_TEST_PGDATA, IPRA_TEST_PGBIN, IPRA_TEST_PGPORT, and
// IPRA_TEST_PGOWNER, the system user that runs it when the tests run as root). Each call
// fails the test when the server does not do as asked, and waits until it has.
namespace TestServer {

void stop();    // fast shutdown: every session is ended
void start();   // on the same port as before
void restart(); // stop and start in one
// Ends every other session of the program's login on the test database
// (pg_terminate_backend) and waits until they are gone; returns how many there were.
int terminateSessions();

// Runs a program of tests/support (a shell script) with arguments; false (and the test
// failed with its output) when it does not exit with 0.
bool runSupportScript(const QString& name, const QStringList& arguments);

} // namespace TestServer
