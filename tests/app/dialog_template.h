// Reads an extended dialog template (DLGTEMPLATEEX) from the test program's
// resources, so tests can check positions and sizes in dialog units, which
// do not depend on the fonts of the machine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarrowin::testing {

struct DialogItem {
  DWORD style = 0;
  int id = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring windowClass;  // "#128" for an atom: button, "#130" static
  std::wstring text;
};

struct DialogTemplate {
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring caption;
  WORD pointSize = 0;
  std::wstring font;
  std::vector<DialogItem> items;
};

// Parses template `id`; fails the test and returns false when it is
// missing or not an extended template.
bool LoadDialogTemplate(int id, DialogTemplate& out);

// One control as a template should hold it. The class is a name ("Button",
// "Edit", "Static", "SysListView32"); a predefined class stored as its
// atom matches its name.
struct ExpectedItem {
  const wchar_t* windowClass;
  int id;
  std::wstring text;
  short x, y, cx, cy;
  DWORD style;
};

// Checks the controls of `dialog` against `expected`, one by one.
void ExpectDialogItems(const DialogTemplate& dialog, const std::vector<ExpectedItem>& expected);

}  // namespace tarrowin::testing
