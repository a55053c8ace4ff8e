// mero-admin check: the check run over the agreements of the agreement list, written as CSV, as the
// check protocol in plain text or as the check protocol in PDF.

#include "admin/admin_command.h"

#include "checks/check_module.h"
#include "checks/check_results.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/key_text.h"
#include "reports/check_protocol.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <optional>

namespace mero::admin {

namespace {

const QString kUsage = QStringLiteral(
    "check --db CESTA [--year ROK] [--agreement ID_EPKS:ID_INST_EPKS] --format csv|text|pdf --out SOUBOR");

QString errorText(const std::exception& e) {
    const auto* m = dynamic_cast<const MeroError*>(&e);
    return m ? m->message() : QString::fromUtf8(e.what());
}

// One CSV field (RFC 4180): quoted when it holds a comma, a quote or a line break.
QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray csvOf(const TCheckResults& results) {
    const QStringList& names = TCheckResults::FieldNames();
    QString out;
    out += names.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const TCheckResult& row : results.Rows()) {
        QStringList fields;
        fields.reserve(names.size());
        for (int i = 0; i < names.size(); ++i)
            fields << csvField(TCheckResults::FieldText(row, i));
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

// The protocol document on A4 pages with "Strana N" at the foot of each page.
void writePdf(const ReportDocument& report, QIODevice* device) {
    QPdfWriter writer(device);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(report.marginMm, report.marginMm, report.marginMm, report.marginMm),
                          QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(report.title);
    writer.setCreator(QStringLiteral("MERO"));

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9);
    document.setDefaultFont(font);
    document.setHtml(report.html);
    document.setDocumentMargin(0);

    const QRectF page = writer.pageLayout().paintRectPixels(writer.resolution());
    const QFontMetricsF footerMetrics(font, &writer);
    const qreal footerHeight = report.pageFooter.isEmpty() ? 0 : footerMetrics.height() * 2;
    const qreal bodyHeight = page.height() - footerHeight;
    document.setPageSize(QSizeF(page.width(), bodyHeight));

    QPainter painter;
    if (!painter.begin(&writer))
        throw MeroError(QStringLiteral("PDF nelze vytvořit."));
    const int pages = document.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -i * bodyHeight);
        document.drawContents(&painter, QRectF(0, i * bodyHeight, page.width(), bodyHeight));
        painter.restore();
        if (!report.pageFooter.isEmpty()) {
            painter.setFont(font);
            painter.drawText(QRectF(0, bodyHeight, page.width(), footerHeight), Qt::AlignRight | Qt::AlignBottom,
                             report.pageFooter.arg(i + 1));
        }
    }
    painter.end();
}

// The agreement list row as the list passes it to the check run.
struct ListedAgreement {
    TCheckedAgreement agreement;
    qlonglong idKs = 0;
    qlonglong idInstKs = 0;
    int subjectType = 0;
};

ListedAgreement listedAgreement(TData& data) {
    Dataset* l = data.TblEPKS;
    const auto v = [&](const char* name) { return l->fieldByName(QString::fromLatin1(name))->value(); };
    const auto s = [&](const char* name) { return l->fieldByName(QString::fromLatin1(name))->asString(); };
    ListedAgreement a;
    a.agreement.ID = KeyText::Join(v("ID_EPKS"), v("ID_INST_EPKS"));
    a.agreement.ID_SVAZ = s("ID_SVAZ");
    a.agreement.SVAZ = data.TblSVAZ->lookup(QStringLiteral("ID_SVAZ"), {v("ID_SVAZ")}, QStringLiteral("NAZEV")).toString();
    a.agreement.ID_SUBJEKT1 = KeyText::Join(v("ID_SUBJ"), v("ID_INST_SUBJ"));
    a.agreement.SUBJEKT1 = s("SUBJ");
    a.agreement.ID_SUBJEKT2 = KeyText::Join(v("ID_ZOOS"), v("ID_INST_ZOOS"));
    a.agreement.SUBJEKT2 = s("ZOOS");
    a.agreement.ROK = static_cast<int>(l->fieldByName(QStringLiteral("ROK"))->asInteger());
    a.idKs = l->fieldByName(QStringLiteral("ID_KS"))->asInteger();
    a.idInstKs = l->fieldByName(QStringLiteral("ID_INST_KS"))->asInteger();
    a.subjectType = static_cast<int>(l->fieldByName(QStringLiteral("ID_TYPSUBJ"))->asInteger());
    return a;
}

int checkCommand(const QStringList& args) {
    const Arguments arguments(args);
    const QStringList unknown = arguments.unknown(
        {QStringLiteral("db"), QStringLiteral("year"), QStringLiteral("agreement"), QStringLiteral("format"),
         QStringLiteral("out")});
    if (!unknown.isEmpty() || !arguments.positional().isEmpty()) {
        printErr(QStringLiteral("Neznámá volba: %1 (mero-admin %2)")
                     .arg((unknown + arguments.positional()).join(QStringLiteral(", ")), kUsage));
        return 2;
    }
    const QString dbPath = arguments.option(QStringLiteral("db"));
    const QString format = arguments.option(QStringLiteral("format"));
    const QString outPath = arguments.option(QStringLiteral("out"));
    if (dbPath.isEmpty() || format.isEmpty() || outPath.isEmpty()) {
        printErr(QStringLiteral("Zadejte databázi, formát i cílový soubor: mero-admin %1").arg(kUsage));
        return 2;
    }
    if (format != QLatin1String("csv") && format != QLatin1String("text") && format != QLatin1String("pdf")) {
        printErr(QStringLiteral("Neznámý formát „%1“ (csv, text nebo pdf).").arg(format));
        return 2;
    }
    std::optional<int> year;
    if (arguments.has(QStringLiteral("year"))) {
        const QString text = arguments.option(QStringLiteral("year"));
        bool ok = false;
        const int y = text.toInt(&ok);
        if (!ok || y < 1900 || y > 9999 || text != QString::number(y)) {
            printErr(QStringLiteral("Rok „%1“ není platný rok.").arg(text));
            return 2;
        }
        year = y;
    }
    std::optional<KeyText::Pair> only;
    if (arguments.has(QStringLiteral("agreement"))) {
        const QString text = arguments.option(QStringLiteral("agreement"));
        const QStringList parts = text.split(QLatin1Char(':'));
        std::optional<qlonglong> id = parts.size() == 2 ? KeyText::ParseInteger(parts[0]) : std::nullopt;
        std::optional<qlonglong> inst = parts.size() == 2 ? KeyText::ParseInteger(parts[1]) : std::nullopt;
        if (!id || !inst) {
            printErr(QStringLiteral("Smlouva „%1“ není zadána jako ID_EPKS:ID_INST_EPKS.").arg(text));
            return 2;
        }
        only = KeyText::Pair{*id, *inst};
    }
    if (!QFileInfo(dbPath).isFile()) {
        printErr(QStringLiteral("Databáze %1 neexistuje.").arg(QDir::toNativeSeparators(dbPath)));
        return 1;
    }
    const QFileInfo outInfo(outPath);
    if (outInfo.isDir()) {
        printErr(QStringLiteral("Cíl %1 je složka, zadejte název souboru.").arg(QDir::toNativeSeparators(outPath)));
        return 2;
    }
    if (outInfo.exists() && outInfo.canonicalFilePath() == QFileInfo(dbPath).canonicalFilePath()) {
        printErr(QStringLiteral("Cílový soubor nesmí být kontrolovaná databáze."));
        return 2;
    }
    if (format == QLatin1String("pdf") && !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        printErr(QStringLiteral("Výstup do PDF není v tomto prostředí k dispozici."));
        return 1;
    }

    int agreements = 0;
    int failures = 0;
    try {
        TData data;
        try {
            // The check only reads: the database is opened read-only.
            data.DataBase->open(dbPath, Connection::OpenMode::ReadOnly);
            data.CreateFields();
            data.OpenAll();
        } catch (const std::exception& e) {
            throw MeroError(QStringLiteral("Databázi nelze otevřít.\n[%1]").arg(errorText(e)));
        }
        TCheckModule* checks = data.CheckModule();
        if (!checks)
            throw MeroError(QStringLiteral("Katalog kontrol není načten."));
        checks->PrepareCheckResults();
        Dataset* list = data.TblEPKS;
        bool found = false;
        for (list->first(); !list->eof(); list->next()) {
            if (only) {
                if (list->fieldByName(QStringLiteral("ID_EPKS"))->asInteger() != only->id ||
                    list->fieldByName(QStringLiteral("ID_INST_EPKS"))->asInteger() != only->installation)
                    continue;
            }
            if (year && list->fieldByName(QStringLiteral("ROK"))->asInteger() != *year)
                continue;
            found = true;
            const ListedAgreement a = listedAgreement(data);
            ++agreements;
            failures += checks->LocateAndCheckAgreement(a.agreement, a.idKs, a.idInstKs, a.subjectType);
        }
        if (only && !found)
            throw MeroError(QStringLiteral("Smlouva %1:%2%3 není v seznamu smluv.")
                                .arg(only->id)
                                .arg(only->installation)
                                .arg(year ? QStringLiteral(" roku %1").arg(*year) : QString()));

        const TCheckResults& results = *checks->CheckResults();
        QSaveFile out(outPath);
        if (!out.open(QIODevice::WriteOnly))
            throw MeroError(QStringLiteral("Soubor %1 nelze vytvořit.\n[%2]")
                                .arg(QDir::toNativeSeparators(outPath), out.errorString()));
        if (format == QLatin1String("csv"))
            out.write(csvOf(results));
        else if (format == QLatin1String("text"))
            out.write(CheckProtocolText(results).toUtf8());
        else
            writePdf(CheckProtocolDocument(results), &out);
        if (!out.commit())
            throw MeroError(QStringLiteral("Soubor %1 nelze zapsat.\n[%2]")
                                .arg(QDir::toNativeSeparators(outPath), out.errorString()));
    } catch (const std::exception& e) {
        printErr(QStringLiteral("Kontrola se nezdařila.\n[%1]").arg(errorText(e)));
        return 1;
    }
    printOut(QStringLiteral("Zkontrolováno smluv: %1, nalezeno chyb: %2.").arg(agreements).arg(failures));
    return 0;
}

const AdminCommand::Registrar registrar({QStringLiteral("check"), kUsage,
                                         QStringLiteral("kontrola smluv ze seznamu smluv; výsledky jako CSV, "
                                                        "text nebo PDF protokolu kontrol"),
                                         checkCommand, true});

} // namespace

} // namespace mero::admin
