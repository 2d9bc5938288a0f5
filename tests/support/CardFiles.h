#pragma once
// Test helpers for study-file cards: packed blobs, picture bytes and card tables built with
// the data module's own definitions.
#include "engine/Table.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>

namespace testsupport {

// A container with the one item "1" holding the bytes, packed as the flags say.
std::string packedBlob(const std::string &bytes, bool compressed, bool encrypted, const std::string &key = {});
// The item "1" of a container (no corruption message).
std::string unpackedBlob(const std::string &container, const std::string &key = {});

// Picture file bytes of the given size: "BMP" or "JPG".
QByteArray pictureBytes(const char *format, int width, int height);
// RTF of the lines, as a rich edit saves them.
std::string rtfLines(const QStringList &lines);

// Creates the card table <folder>/<name>.DB with the question size and returns its path.
QString createCards(const QString &folder, const QString &name, int questionSize = 60);

// One card as the card editor would post it; empty blobs stay blank.
struct CardContent {
    int level = 1;
    QString question = QStringLiteral("pregunta");
    std::string shortAnswer; // Resp_Text, as stored
    std::string longAnswer;  // Resp_Memo, as stored
    QString questionType;    // Tipo_Preg_Imag
    std::string questionPicture;
    QString answerType;      // Tipo_Resp_Imag
    std::string answerPicture;
    QString lastReview;      // Fech_Ulti_Repa
    QString packedFlag = QStringLiteral("N"); // Ficha_Comp_Encr
};
void appendCard(engine::Table &table, const CardContent &card);

// A card as stored, its blobs unpacked with the key when it says "S" (an importance left
// blank reads -1).
struct StoredCard {
    int level = 0, importance = 0, reviews = 0, id = 0;
    QString key, question, created, last, next, packed, questionType, answerType;
    std::string questionPicture, answerPicture, shortAnswer, longAnswer;
    std::string rawQuestionPicture;
};
// The table's current card.
StoredCard readCard(engine::Table &table, const std::string &key);

} // namespace testsupport
