#include "admin/admin_command.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>

#include <cstdio>
#include <memory>

namespace mero::admin {

namespace {
QList<AdminCommand>& registry() {
    static QList<AdminCommand> commands;
    return commands;
}
} // namespace

AdminCommand::Registrar::Registrar(AdminCommand command) {
    registry().append(std::move(command));
}

const QList<AdminCommand>& AdminCommand::all() {
    return registry();
}

void printOut(const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void printErr(const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

Arguments::Arguments(const QStringList& args) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a.startsWith(QStringLiteral("--")) && a.size() > 2) {
            const qsizetype eq = a.indexOf(QLatin1Char('='));
            if (eq > 0) {
                m_options.append({a.mid(2, eq - 2), a.mid(eq + 1)});
            } else if (i + 1 < args.size() && !args.at(i + 1).startsWith(QStringLiteral("--"))) {
                m_options.append({a.mid(2), args.at(i + 1)});
                ++i;
            } else {
                m_options.append({a.mid(2), QString()});
            }
        } else {
            m_positional.append(a);
        }
    }
}

QString Arguments::option(const QString& name) const {
    for (const auto& o : m_options)
        if (o.first == name)
            return o.second;
    return QString();
}

bool Arguments::has(const QString& name) const {
    for (const auto& o : m_options)
        if (o.first == name)
            return true;
    return false;
}

QStringList Arguments::unknown(const QStringList& allowed) const {
    QStringList out;
    for (const auto& o : m_options)
        if (!allowed.contains(o.first))
            out.append(QStringLiteral("--") + o.first);
    return out;
}

namespace {
void printHelp() {
    printOut(QStringLiteral("mero-admin – správa databáze programu MERO"));
    printOut(QString());
    printOut(QStringLiteral("Použití: mero-admin PŘÍKAZ [ARGUMENTY]"));
    printOut(QString());
    for (const AdminCommand& c : AdminCommand::all())
        printOut(QStringLiteral("  %1\n      %2").arg(c.usage, c.summary));
}
} // namespace

} // namespace mero::admin

int main(int argc, char* argv[]) {
    using namespace mero::admin;
    // A command that renders documents gets a GUI application; the tool never shows a window, so it
    // uses the offscreen platform unless told otherwise.
    bool needsGui = false;
    if (argc > 1)
        for (const AdminCommand& c : AdminCommand::all())
            if (c.name == QString::fromLocal8Bit(argv[1]))
                needsGui = c.needsGui;
    if (needsGui && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (needsGui)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    QStringList args = app->arguments().mid(1);
    if (args.isEmpty() || args.first() == QStringLiteral("--help") || args.first() == QStringLiteral("-h") ||
        args.first() == QStringLiteral("help")) {
        printHelp();
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    for (const AdminCommand& c : AdminCommand::all()) {
        if (c.name == name) {
            if (args.contains(QStringLiteral("--help"))) {
                printOut(QStringLiteral("Použití: mero-admin %1\n%2").arg(c.usage, c.summary));
                return 0;
            }
            try {
                return c.run(args);
            } catch (const std::exception& e) {
                printErr(QStringLiteral("Chyba: %1").arg(QString::fromUtf8(e.what())));
                return 1;
            }
        }
    }
    printErr(QStringLiteral("Neznámý příkaz: %1 (seznam příkazů: mero-admin --help)").arg(name));
    return 2;
}
