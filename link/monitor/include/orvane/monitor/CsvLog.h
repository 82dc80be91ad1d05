#pragma once
// The data logger's lines: a header naming each block and its function, then one line
// a pass with an ISO 8601 time stamp and each block's value; a missing reading is an
// empty field, never an older value. And the trend's data as the window saves it.

#include "orvane/monitor/Passes.h"
#include "orvane/monitor/TrendHistory.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <vector>

namespace orvane::monitor {

// "time,block 10 AIN,block 12 PID"; functionNames[i] belongs to watches[i].
QString csvHeader(const std::vector<Watch>& watches, const QStringList& functionNames);
// "2024-05-06T10:15:00.250+02:00,12.34,,1"
QString csvRow(const QDateTime& at, const std::vector<Watch>& watches);

// Every reading the trend holds, one a line with its tile's block and tag, oldest first
// (at one time, by slot), each line ending in "\n":
// "time,block,tag,value" then "2024-05-06T10:15:00.250+02:00,12,Flow,12.34".
QString trendCsv(const TileTable& tiles, const TrendHistory& history, const QTimeZone& zone);

} // namespace orvane::monitor
