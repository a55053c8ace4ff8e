#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace mero::admin {

// One subcommand of mero-admin. Each lives in its own admin_<name>.cpp and registers itself with
// a static AdminCommand::Registrar. run() gets the arguments after the command name and returns
// the process exit code; it prints its own messages (errors to standard error, in Czech).
struct AdminCommand {
    QString name;
    QString usage;   // e.g. "create-database PATH"
    QString summary; // one line for --help
    std::function<int(const QStringList& args)> run;
    // The command renders documents (PDF): it runs with a GUI application on the offscreen platform.
    bool needsGui = false;

    struct Registrar {
        explicit Registrar(AdminCommand command);
    };
    static const QList<AdminCommand>& all();
};

// Output helpers (UTF-8, one line each).
void printOut(const QString& text);
void printErr(const QString& text);

// Small argument parser for "--name value" options and positional arguments.
class Arguments {
public:
    explicit Arguments(const QStringList& args);
    // Value of "--name VALUE" (or "--name=VALUE"); empty when absent.
    QString option(const QString& name) const;
    bool has(const QString& name) const;
    const QStringList& positional() const { return m_positional; }
    // Options that were given but are not in the allowed list; flags listed in flagNames take no value.
    QStringList unknown(const QStringList& allowed) const;

private:
    QList<QPair<QString, QString>> m_options;
    QStringList m_positional;
};

} // namespace mero::admin
