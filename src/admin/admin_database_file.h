#pragma once

#include "data/connection.h"

#include <QString>
#include <QStringList>

namespace mero::admin {

// Takes the one database path of a command's arguments and opens it. On failure it prints a clear
// message and returns false (the command then ends with exit code 1).
bool openDatabaseArgument(const QString& command, const QStringList& args, Connection::OpenMode mode,
                          Connection* connection);

} // namespace mero::admin
