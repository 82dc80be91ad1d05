#pragma once
// Takes the place of the desktop's open action in a test (QDesktopServices::setUrlHandler
// with the slot "open") and keeps what was opened.

#include <QList>
#include <QObject>
#include <QUrl>

namespace orvane::compare::testing {

class OpenedDocuments : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace orvane::compare::testing
