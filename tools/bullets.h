// Bullet files (the bullet list's, ZYL3_ANIMBULLET32) from their text and
// back. The text (docs/zyllist.md):
//
//   bullet list
//   style bold underline        words or numbers, added up
//   colour 000080               RRGGBB, or 0x and the colour reference as stored
//   font Arial, 10              face, size; either may be left empty
//   window main                 where jumps open; "popup": every item pops up
//   Introduction | What this file is for | intro
//   Glossary | | glossary       text | comment | context string (or #hash, or nothing)
//
// Portable.
#pragma once
#include <string>
#include <vector>

#include "listtext.h"

namespace zyllist {

extern const char kBulletHeader[];   // "bullet list"

bool CompileBullets(const std::vector<TextLine>& lines, Bytes* out, Problem* problem);
// The text of a bullet file, in the form CompileBullets reads back to the
// same bytes. False with the module's reason when it would refuse the file.
bool DecompileBullets(const Bytes& file, const Contexts& contexts, std::string* text, std::string* why);
// What the module makes of a bullet file: false with the reason when it
// refuses it; `notes` gets what shows other than an author may expect.
bool CheckBullets(const Bytes& file, std::string* summary, std::vector<std::string>* notes);

}  // namespace zyllist
