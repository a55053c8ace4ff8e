#pragma once

// Registered agreements written straight into a copy of the delivered database: an employer, a union
// organisation, the ten questionnaire rows and the registration.

#include "data/connection.h"

#include <QString>

namespace mero::test {

struct AgreementRow {
    qlonglong idKs = 1;
    int year = 2024;
    int subjectType = 1;
    int idSvaz = 1;
    QString employer = QStringLiteral("Strojírny a.s.");
    QString union_ = QStringLiteral("ZO Strojírny");
    bool withSf = true; // false leaves the SF row out
};

// Inserts the rows (installation 99999); returns ID_EPKS.
inline qlonglong addAgreement(Connection& c, const AgreementRow& a) {
    const QString k = QString::number(a.idKs);
    Statement subj = c.prepare(QStringLiteral(
        "INSERT INTO SUBJ (ID_SUBJ, ID_INST_SUBJ, ID_SVAZ, ID_TYPSUBJ, NAZEV) VALUES (?, 99999, ?, ?, ?)"));
    subj.bindAll({a.idKs, a.idSvaz, a.subjectType, a.employer});
    subj.step();
    Statement zoos = c.prepare(
        QStringLiteral("INSERT INTO ZOOS (ID_ZOOS, ID_INST_ZOOS, ID_SVAZ, NAZEV) VALUES (?, 99999, ?, ?)"));
    zoos.bindAll({a.idKs, a.idSvaz, a.union_});
    zoos.step();
    c.execute(QStringLiteral("INSERT INTO KS (ID_KS, ID_INST_KS) VALUES (%1, 99999)").arg(k));
    for (const char* t : {"SPOLUP", "MZN", "MZT", "PRIPLAT", "ODMENY", "PRDOBA", "PREKAZKY", "SF", "ZAMEST"}) {
        if (!a.withSf && QLatin1String(t) == QLatin1String("SF"))
            continue;
        c.execute(QStringLiteral("INSERT INTO %1 (ID_KS, ID_INST_KS) VALUES (%2, 99999)").arg(QString::fromLatin1(t), k));
    }
    c.execute(QStringLiteral("INSERT INTO EPKS (ID_INST_EPKS, ID_KS, ID_INST_KS, ID_ZOOS, ID_INST_ZOOS, ID_SUBJ, "
                             "ID_INST_SUBJ, ID_TYPSUBJ, ROK) VALUES (99999, %1, 99999, %1, 99999, %1, 99999, %2, %3)")
                  .arg(k)
                  .arg(a.subjectType)
                  .arg(a.year));
    return c.lastInsertRowId();
}

} // namespace mero::test
