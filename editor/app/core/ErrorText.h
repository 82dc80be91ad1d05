#pragma once
// How the editor words a failure of the store or of a file operation for the user.

#include <QString>
#include <exception>

namespace brevant {

// "Database error <number>:" and the store's text on the next line, or the failure's own text.
QString errorText(const std::exception& e);

} // namespace brevant
