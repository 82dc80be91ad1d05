#pragma once
// The comment import: the comments of another configuration, as Juxta's comments file
// carries them, written over every comment of the configuration open in the editor.

#include <QString>

class QWidget;

namespace brevant {

class EditorSession;

// Imports the comments of source into the open configuration (the working copy) in one
// transaction. True when the configuration was written.
bool ImportComments(QWidget* parent, EditorSession& session, const QString& source);

} // namespace brevant
