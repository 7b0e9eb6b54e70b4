#pragma once

// The images of the database tree, drawn by the program itself.

#include <QIcon>

namespace artikel {

// Indexes into the tree's image list.
inline constexpr int kImageDatabase = 0;
inline constexpr int kImageFilter = 1;
inline constexpr int kImageError = 5;

// Edge of the square tree images in pixels.
inline constexpr int kTreeImageSize = 16;

// The image at that index (database, filter or error; any other index gives the error image),
// with pixmaps for the usual device pixel ratios.
QIcon TreeImage(int index);

// Height of a tree row for images of that height: 1.2 times the height, rounded to the nearest
// integer, halves to even.
int NodeHeightForImage(int imageHeight);

} // namespace artikel
