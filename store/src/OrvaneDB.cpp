#include "kessig/OrvaneDB.h"
// Implementation under way.
