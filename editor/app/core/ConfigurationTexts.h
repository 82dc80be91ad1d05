#pragma once
// The texts a configuration carries for the people who work with it: title,
// configuration name, description and each block's comment and drawing comment.
// Every store writes only a text that differs from the stored one, and nothing is
// ever written into a read-only file, so opening and leaving a box changes nothing.

#include <QString>
#include <QStringList>

#include <orvane/formats/ConfigurationModel.h>

namespace brevant {

class EditorSession;

inline constexpr int kTitleLength = 80;         // Title and Config
inline constexpr int kQuickMessageLength = 16;

// The first `length` characters (code points: a pair is never cut in half).
QString leftCharacters(const QString& text, int length);

// A typed text for a field of `length` characters: as typed, or its first `length`
// characters with the notice "<what> More Than <length> Characters", a line break,
// the text kept and " Will Be Used".
struct FieldText {
    QString text;
    QString message;   // "" when the text fits
};
FieldText fitToField(const QString& text, int length, const QString& what);

// Stored texts end their lines with CR LF; an edit box holds one paragraph a line.
QStringList storedLines(const QString& stored);
QString storedText(const QStringList& lines);

using orvane::formats::text::shownComment;

class ConfigurationTexts {
public:
    explicit ConfigurationTexts(EditorSession& session) : session_(session) {}

    QString title() const;
    QString configName() const;
    QString description() const;
    QString blockComment(int block) const;
    QString blockDrawingComment(int block) const;

    // Each returns true when it wrote.
    bool setTitle(const QString& text);
    bool setConfigName(const QString& text);
    bool setDescription(const QString& text);
    bool setBlockComment(int block, const QString& text);
    bool setBlockDrawingComment(int block, const QString& text);

private:
    enum class CommentField { Title, Config, Description };
    bool setCommentField(CommentField field, const QString& text);
    bool setBlockField(int block, bool drawing, const QString& text);

    EditorSession& session_;
};

} // namespace brevant
