// Secure delete: what a table deletes or rewrites is gone from its file's bytes.
#include "engine/Table.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QByteArray fileBytes(const QString &path)
{
    QByteArray all;
    for (const QString &p : {path, path + QStringLiteral("-wal")}) {
        QFile f(p);
        if (f.open(QIODevice::ReadOnly))
            all += f.readAll();
    }
    return all;
}
} // namespace

TEST(SecureDelete, ClearedAndDeletedValuesLeaveNoBytesBehind)
{
    QTemporaryDir dir;
    {
        engine::Table t;
        t.setDatabaseName(dir.path().toStdString());
        t.setTableName("S.DB");
        t.createTable({{"TEXT", engine::FieldType::String, 100}, {"Memo", engine::FieldType::Blob, 0}}, {});
        t.setSecureDelete(true);
        t.open();
        for (int i = 0; i < 3; ++i) {
            t.append();
            t.fieldByName("TEXT").setAsString("Secreto" + std::to_string(i));
            t.fieldByName("Memo").setBytes(std::string(5000, char('a' + i)) + "OcultoLargo");
            t.post();
        }
        t.first();
        t.edit();
        t.fieldByName("TEXT").clear();
        t.fieldByName("Memo").clear();
        t.post();
        t.last();
        t.deleteRecord();
        const QByteArray bytes = fileBytes(QString::fromStdString(t.filePath()));
        EXPECT_FALSE(bytes.contains("Secreto0"));
        EXPECT_FALSE(bytes.contains("Secreto2"));
        EXPECT_TRUE(bytes.contains("Secreto1"));
        EXPECT_EQ(bytes.count("OcultoLargo"), 1);
    }
}
