#pragma once
// The copy of a user's configuration that a command hands to the store; the user's file
// itself is never opened by it.

#include "Terminal.h"

#include "orvane/files/WorkingCopy.h"

#include <kessig/OrvaneDB.h>

#include <QString>

#include <functional>
#include <memory>

namespace orvane::cli {

// A working copy of the configuration `file`, a legacy Jet file read into the tool set's
// own format on the way, after a write into the file that did not finish was recovered
// (and said); nullptr, with the reason said, when there is no such file or no copy can
// be made.
std::unique_ptr<orvane::files::WorkingCopy> copyForStore(const QString& file);

// Runs `use` on the store opened on a working copy of `file`, with the function catalogue
// in `catalogueFolder`, and closes it; returns what `use` returns, or kExitUsage once a
// failure of the file or the store is said.
int onStoredCopy(const QString& file, const QString& catalogueFolder, kessig::Durability durability,
                 const std::function<int(kessig::OrvaneDB&)>& use);

// The question before replacing `file`: another program that holds it for writing is
// named, since that program will have to ask before it saves over the new content.
QString replaceQuestion(const QString& file, const QString& question);

// Where a command's result goes when `file` was changed by another program since the
// command read it: the file itself or another one, as the user answers; "" to cancel.
// Nobody answering (--yes, the end of input) cancels: another's change is replaced
// only on a person's word.
QString whereToSaveOverAChange(TerminalOperator& user, const QString& file, const QString& when);

} // namespace orvane::cli
