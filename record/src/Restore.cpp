#include "orvane/record/Restore.h"

#include "orvane/files/TempFolder.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/ConfigurationText.h"

#include <kessig/OrvaneDB.h>

#include <QFileInfo>

namespace orvane::record {

std::optional<QString> restoreEntry(const TransferEntry& entry, const QString& catalogueFolder, const QString& target)
{
    if (entry.text.isEmpty())
        return QStringLiteral("entry ") + entry.id + QStringLiteral(" holds no configuration to restore");
    if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
        return target + QStringLiteral(" exists; a restored configuration goes into a new file");
    try {
        const orvane::files::WorkingFolder folder(orvane::files::WorkingFolder::Purpose::Import);
        const QString built = folder.filePath(QStringLiteral("configuration.mdb"));
        {
            kessig::OrvaneDB db;
            db.open_database(catalogueFolder.toStdString());
            db.create_new_database(built.toStdString());
            db.open_existing_database(built.toStdString(), kessig::Durability::Relaxed, target.toStdString());
            if (const auto fault = orvane::formats::importConfiguration(db, entry.text.toUtf8()))
                return QStringLiteral("entry ") + entry.id + QStringLiteral(", ") + fault->text();
            db.close_work_dbs();
            db.close_database();
        }
        const auto bytes = orvane::files::readRegularFile(built);
        if (!bytes)
            return QStringLiteral("Cannot read the configuration built in ") + built;
        return orvane::files::writeNewFile(target, *bytes);
    } catch (const std::exception& e) {
        return QString::fromStdString(e.what());
    }
}

} // namespace orvane::record
