#pragma once

#include <QString>

// Loads the module of features that the program uses after its first window (favourites, printing,
// availability) and registers them. Returns the empty text, or what went wrong.
QString loadFeatureModule();
