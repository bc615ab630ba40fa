// Appending lines to the log: the layer's append at the end of the edit (EM_SETSEL +
// EM_REPLACESEL) against reading and rewriting the whole text for every line. Builds a hidden
// form with a multi-line edit like the program's log and prints a table of times and ratios for
// growing logs: the append stays proportional to the lines added, the rewrite grows with the
// square of the log's length.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/geometry.h"

namespace {

const char kLine[] = "Response Received\r\n";

double NowMs() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void RewriteAppend(HWND edit, const char* text) {
  const int length = GetWindowTextLengthA(edit);
  std::string whole(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(edit, &whole[0], length + 1);
  whole.resize(static_cast<size_t>(length));
  whole += text;
  SetWindowTextA(edit, whole.c_str());
}

}  // namespace

int main() {
  Control* form = CreateForm(nullptr, "log bench");
  Control* log = NewEdit(form, 1u << 3);  // multi-line
  SetSize(log, 400, 300);
  HWND edit = HandleOf(log);
  SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);

  std::printf("%8s %14s %14s %8s\n", "lines", "append ms", "rewrite ms", "ratio");
  for (int lines : {250, 500, 1000, 2000}) {
    SetWindowTextA(edit, "");
    const double t0 = NowMs();
    for (int i = 0; i < lines; ++i) AddItem(log, kLine);
    const double append = NowMs() - t0;
    const int kept = static_cast<int>(SendMessageA(edit, EM_GETLINECOUNT, 0, 0)) - 1;

    SetWindowTextA(edit, "");
    const double t1 = NowMs();
    for (int i = 0; i < lines; ++i) RewriteAppend(edit, kLine);
    const double rewrite = NowMs() - t1;
    std::printf("%8d %14.1f %14.1f %8.1f%s\n", lines, append, rewrite,
                append > 0 ? rewrite / append : 0.0, kept == lines ? "" : "  (lines lost!)");
  }
  Free(form);
  return 0;
}
