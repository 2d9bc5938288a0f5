#include "support/CardFiles.h"

#include "packing/PackStreamCol.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"

#include <QImage>
#include <QPainter>

namespace testsupport {

std::string packedBlob(const std::string &bytes, bool compressed, bool encrypted, const std::string &key)
{
    TPackStreams pks;
    pks.Compressed = compressed;
    pks.Encrypted = encrypted;
    pks.Key = key;
    packing::MemoryStream s(std::string_view{bytes});
    pks.AddStream("1", s);
    s.clear();
    pks.SaveToStream(s);
    return s.toString();
}

std::string unpackedBlob(const std::string &container, const std::string &key)
{
    TPackStreams pks;
    pks.Key = key;
    packing::MemoryStream s(std::string_view{container});
    pks.LoadFromStream(s);
    s.clear();
    pks.GetStream("1", s);
    return s.toString();
}

QByteArray pictureBytes(const char *format, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(QColor(30, 120, 160));
    QPainter p(&img);
    p.fillRect(0, 0, width / 2, height / 2, QColor(240, 200, 40));
    p.end();
    const bool bmp = QByteArray(format).toUpper() == "BMP";
    return platform::encodePicture(img, bmp ? platform::PictureFormat::Bmp : platform::PictureFormat::Jpeg);
}

std::string rtfLines(const QStringList &lines)
{
    return platform::rtf::fromLines(lines).toStdString();
}

QString createCards(const QString &folder, const QString &name, int questionSize)
{
    engine::Table t;
    t.setDatabaseName(folder.toStdString());
    t.setTableName(name.toStdString());
    t.createTable(TD_Module_::Campos_Ficha(questionSize), TD_Module_::Indices_Ficha());
    return QString::fromStdString(t.filePath());
}

void appendCard(engine::Table &table, const CardContent &card)
{
    table.append();
    auto set = [&](const char *field, const QString &text) {
        table.fieldByName(field).setAsString(text.toStdString());
    };
    auto blob = [&](const char *field, const std::string &bytes) {
        if (!bytes.empty())
            table.fieldByName(field).setBytes(bytes);
    };
    table.fieldByName("Nive_Fich").setAsInteger(card.level);
    set("Preg_Text", card.question);
    set("Tipo_Preg_Imag", card.questionType);
    set("Tipo_Resp_Imag", card.answerType);
    set("Fech_Ulti_Repa", card.lastReview);
    set("Ficha_Comp_Encr", card.packedFlag);
    blob("Resp_Text", card.shortAnswer);
    blob("Resp_Memo", card.longAnswer);
    blob("Preg_Imag", card.questionPicture);
    blob("Resp_Imag", card.answerPicture);
    table.post();
}

StoredCard readCard(engine::Table &t, const std::string &key)
{
    StoredCard c;
    auto str = [&](const char *f) { return QString::fromStdString(t.fieldByName(f).asString()); };
    c.id = t.fieldByName("AutoInc").asInteger();
    c.level = t.fieldByName("Nive_Fich").asInteger();
    c.importance = t.fieldByName("Nive_Impo").isNull() ? -1 : t.fieldByName("Nive_Impo").asInteger();
    c.reviews = t.fieldByName("Total_Repa").asInteger();
    c.key = str("Clav_Fich");
    c.question = str("Preg_Text");
    c.created = str("Fech_Crea");
    c.last = str("Fech_Ulti_Repa");
    c.next = str("Fech_Prox_Repa");
    c.packed = str("Ficha_Comp_Encr");
    c.questionType = str("Tipo_Preg_Imag");
    c.answerType = str("Tipo_Resp_Imag");
    auto blob = [&](const char *f) {
        const std::string b = t.fieldByName(f).asBytes();
        return c.packed == "S" && !b.empty() ? unpackedBlob(b, key) : b;
    };
    c.rawQuestionPicture = t.fieldByName("Preg_Imag").asBytes();
    c.questionPicture = blob("Preg_Imag");
    c.answerPicture = blob("Resp_Imag");
    c.shortAnswer = blob("Resp_Text");
    c.longAnswer = blob("Resp_Memo");
    return c;
}

} // namespace testsupport
