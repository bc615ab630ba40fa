// Status bar of a form: made the first time text is put into one of its parts, with the parts
// divided evenly over the form's width; the plain arithmetic of the part edges.
#pragma once

#include <string>
#include <vector>

#include "winobj/control.h"

// Index 255 (or more) is the bar's simple-mode text; 0 to 254 are parts. A part index the bar
// does not have yet re-divides it into index + 1 equal parts; parts are never removed.
void SetStatusText(Control* form, int index, const std::string& text);

// Right edges of index + 1 equal parts over formWidth, the last reaching the right end (-1).
std::vector<int> StatusPartEdges(int formWidth, int index);
