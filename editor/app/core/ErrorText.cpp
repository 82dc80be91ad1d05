#include "ErrorText.h"

#include <kessig/OrvaneDB.h>

namespace brevant {

QString errorText(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const kessig::DbError*>(&e))
        return QStringLiteral("Database error %1:\r").arg(db->number()) + QString::fromStdString(db->text());
    return QString::fromStdString(e.what());
}

} // namespace brevant
