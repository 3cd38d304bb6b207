#pragma once

#include <QStringList>
#include <QtTest>
#include <memory>

#include "core/sqltext.h"
#include "felcora/hostcomponents.h"

namespace felcora::test {

// Customer names in the order the office server's "es-AR" collation gives them, which the embedded database must
// give too: ICU's Spanish order at its default strength, texts it finds equal ordered by their bytes.
inline const QStringList kNamesInSpanishOrder = {
    QStringLiteral("  ZAPATA"), // blanks before anything, two before one
    QStringLiteral(" ZAPATA"),
    QStringLiteral("10 DE MAYO SA"), // digits before letters, one by one: 10 before 2
    QStringLiteral("2 HERMANOS"),    QStringLiteral("9 DE JULIO SRL"),
    QStringLiteral("AGÜERO"), // Ü is a U: E before I
    QStringLiteral("AGUIRRE"),
    QStringLiteral("IBÁÑEZ"), // Á is an A, Ñ before R
    QStringLiteral("IBARRA"),
    QStringLiteral("Láctea"), // accents count only after the letters: A, O, U
    QStringLiteral("lopez"),  // then accents, then case (small first)
    QStringLiteral("LOPEZ"),
    QStringLiteral("Lo\u0301pez"), // the same letters as the next one, accent apart: the bytes decide
    QStringLiteral("López"),         QStringLiteral("LÓPEZ"),          QStringLiteral("LUNA"),
    QStringLiteral("NUNEZ"), // Ñ is a letter of its own after N: NUNZIO before NUÑEZ
    QStringLiteral("NUNZIO"),        QStringLiteral("NUÑEZ"),          QStringLiteral("NUZCO"),
    QStringLiteral("Ñandú"),
    QStringLiteral("O'Brien"), // an apostrophe before any letter
    QStringLiteral("Obregón"),       QStringLiteral("OBRIEN"),         QStringLiteral("ZAPATA"),
};

// The names as they are stored: last first.
inline QStringList scrambledNames()
{
    return QStringList(kNamesInSpanishOrder.crbegin(), kNamesInSpanishOrder.crend());
}

// Stores the names (last first) as customers through the connection and checks that the data access reads them back
// in Spanish order, a page of them too with the standard OFFSET ... FETCH form.
inline void checkNamesInSpanishOrder(IDataConnection *c)
{
    const QStringList scrambled = scrambledNames();
    QStringList rows;
    for (qsizetype k = 0; k < scrambled.size(); ++k)
        rows.append(QStringLiteral("('%1', %2)").arg(30000000000 + k).arg(sqlText(scrambled.at(k))));
    c->setSql(QStringLiteral("insert into clientes (cuit, nombre) values ") + rows.join(u", "));
    QCOMPARE(c->Ejecutar(), scrambled.size());
    const auto names = [c](const QString &sql) {
        QStringList read;
        std::unique_ptr<IRecordset> rs;
        c->setSql(sql);
        for (c->CrearRs(rs); !rs->Eof(); rs->MoveNext())
            read.append(rs->value(0).toString());
        return read;
    };
    QCOMPARE(names(QStringLiteral("select nombre from clientes order by nombre")), kNamesInSpanishOrder);
    QCOMPARE(names(QStringLiteral("select nombre from clientes order by nombre offset 7 rows fetch next 5 rows only")),
             kNamesInSpanishOrder.mid(7, 5));
}

} // namespace felcora::test
