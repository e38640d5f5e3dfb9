#pragma once

#include "views/win32/WicPicture.h"

// A picture resized smoothly: each pixel of the result is the average of the source area it
// covers, weighted by how much of each source pixel lies in it. Works alike for growing (high
// density screens) and shrinking, and keeps a one-colour picture exactly that colour.
win::Picture scaledPicture(const win::Picture& source, int width, int height);
