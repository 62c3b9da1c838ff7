#pragma once
// Making a word index file for a text: every word of its display lines with the lines it
// occurs on, in the file format the Index tab loads (see IndexTree.h).
//
// Words are runs of the letters A to Z (an apostrophe between two letters belongs to the
// word), taken from the lines with their tags removed; reference-point lines and the file
// name of an image tag hold no words. Words of one or two letters and short function words
// ("the", "and", "with", ...) are left out. A word keeps its letter case as found, so "Wind"
// and "wind" are two entries, but entries are ordered without regard to case so that words
// with the same first letter stay together. Each line of a word is referenced once, as "|" +
// four filler characters + the line index in five digits (six from 100000 on); lines beyond
// 999999 cannot be written in that form and are left out.
#include "core/base/Text.h"

#include <string>

namespace qm {

Lines makeWordIndex(const Lines& displayLines);

} // namespace qm
