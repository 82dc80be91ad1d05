#include "CompareLogWindow.h"

#include "orvane/files/TempFolder.h"
#include "orvane/codepage/Cp1252.h"

#include <QDesktopServices>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace orvane::tools {

frmCompareLog::frmCompareLog(QWidget* parent, const QString& logPath) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmCompareLog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Compare Log - ") + logPath);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("txtLog"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QByteArray log = orvane::files::readRegularFile(logPath).value_or(QByteArray());
    text->setPlainText(QString::fromStdString(orvane::codepage::cp1252ToUtf8(log.toStdString())).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    resize(760, 560);
}

void showCompareLog(QWidget* parent, const QString& logPath)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(logPath)))
        (new frmCompareLog(parent, logPath))->show();
}

} // namespace orvane::tools
