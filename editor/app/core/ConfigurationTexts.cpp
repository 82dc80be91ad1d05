#include "ConfigurationTexts.h"

#include "EditorSession.h"

#include <kessig/OrvaneDB.h>

namespace brevant {

namespace {
QString fromStore(const std::string& s) { return QString::fromStdString(s); }
} // namespace

QString leftCharacters(const QString& text, int length)
{
    qsizetype at = 0;
    for (int n = 0; n < length && at < text.size(); ++n)
        at += text[at].isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
    return text.left(at);
}

FieldText fitToField(const QString& text, int length, const QString& what)
{
    const QString kept = leftCharacters(text, length);
    if (kept.size() == text.size())
        return {text, QString()};
    return {kept, what + QStringLiteral(" More Than %1 Characters").arg(length) + QLatin1Char('\r') + kept
                      + QStringLiteral(" Will Be Used")};
}

QStringList storedLines(const QString& stored)
{
    QString text = stored;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

QString storedText(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")); }

QString ConfigurationTexts::title() const { return fromStore(session_.db().CommentTitle()); }
QString ConfigurationTexts::configName() const { return fromStore(session_.db().CommentConfig()); }
QString ConfigurationTexts::description() const { return fromStore(session_.db().CommentComment()); }

QString ConfigurationTexts::blockComment(int block) const
{
    session_.db().BlockSeek(static_cast<int16_t>(block));
    return fromStore(session_.db().BlockComment());
}

QString ConfigurationTexts::blockDrawingComment(int block) const
{
    session_.db().BlockSeek(static_cast<int16_t>(block));
    return fromStore(session_.db().BlockVisioComment());
}

bool ConfigurationTexts::setTitle(const QString& text) { return setCommentField(CommentField::Title, text); }
bool ConfigurationTexts::setConfigName(const QString& text) { return setCommentField(CommentField::Config, text); }
bool ConfigurationTexts::setDescription(const QString& text)
{
    return setCommentField(CommentField::Description, text);
}
bool ConfigurationTexts::setBlockComment(int block, const QString& text) { return setBlockField(block, false, text); }
bool ConfigurationTexts::setBlockDrawingComment(int block, const QString& text)
{
    return setBlockField(block, true, text);
}

bool ConfigurationTexts::setCommentField(CommentField field, const QString& text)
{
    if (session_.FileReadOnly)
        return false;
    const QString stored = field == CommentField::Title    ? title()
                           : field == CommentField::Config ? configName()
                                                           : description();
    if (text == stored)
        return false;
    const auto write = [&] {
        kessig::OrvaneDB& db = session_.db();
        db.CommentEdit();
        const std::string value = text.toStdString();
        switch (field) {
        case CommentField::Title: db.CommentTitle(value); break;
        case CommentField::Config: db.CommentConfig(value); break;
        case CommentField::Description: db.CommentComment(value); break;
        }
        db.CommentUpdate();
    };
    const QString name = field == CommentField::Title    ? QStringLiteral("Title")
                         : field == CommentField::Config ? QStringLiteral("Configuration Name")
                                                         : QStringLiteral("Description");
    session_.history().record(name, RowScope().withComments(), -1, write);
    return true;
}

bool ConfigurationTexts::setBlockField(int block, bool drawing, const QString& text)
{
    if (session_.FileReadOnly)
        return false;
    const QString stored = drawing ? blockDrawingComment(block) : blockComment(block);   // seeks the block
    if (text == stored)
        return false;
    const auto b = static_cast<int16_t>(block);
    const auto write = [&] {
        kessig::OrvaneDB& db = session_.db();
        db.BlockSeek(b);
        db.BlockEdit();
        if (drawing)
            db.BlockVisioComment(text.toStdString());
        else
            db.BlockComment(text.toStdString());
        db.BlockUpdate();
    };
    const QString name = QStringLiteral("Block %1 ").arg(block)
                         + (drawing ? QStringLiteral("Drawing Comment") : QStringLiteral("Comment"));
    session_.history().record(name, RowScope().withBlock(b), block, write);
    return true;
}

} // namespace brevant
