// The recipe's entries as a 7z archive: files in folders of one or many, each folder's
// coders chosen from those the format's own tool writes (LZMA, LZMA2 under filters,
// Deflate, BZip2, copying) or fed the recipe's own bytes (PPMd, BCJ2's four streams),
// now and then under AES with a listed password or another; a header plain, packed, or
// encrypted too; sizes and CRCs that lie.
#pragma once

#include <string>
#include <vector>

#include "RecipeBytes.h"
#include "ZipBuilder.h"

std::string SevenZArchiveOf(Recipe& recipe, const std::vector<testzip::Entry>& entries);
