// The compiled form of a resource module: plain constant tables, written by the resource
// compiler (tools/rescomp) into the executable and into each language library.  The
// layout is shared by both sides of dlopen, so it holds only plain data.
#pragma once

namespace varlo::res {

constexpr unsigned kModuleMagic = 0x56524553;  // "VRES"
constexpr unsigned kModuleVersion = 1;

struct StringEntry {
  unsigned id;
  const char* text;  // UTF-8
};

struct ControlEntry {
  const char* className;  // "BUTTON", "EDIT", "STATIC", "COMBOBOX", ...
  const char* text;
  int id;
  short x, y, cx, cy;  // dialog units
  unsigned style;
  unsigned exStyle;
  const char* const* items;  // initial list of a combo or list box, null-terminated; may be null
  int imageId;               // icon or bitmap resource of a picture control, 0 for none
};

struct DialogEntry {
  unsigned id;
  unsigned style;
  unsigned exStyle;
  short x, y, cx, cy;  // dialog units
  const char* caption;
  const char* fontFace;
  int pointSize;
  const ControlEntry* controls;
  int controlCount;
};

// A menu as a flat list in reading order; depth 0 items are the menu bar's.
struct MenuItemEntry {
  int depth;
  unsigned flags;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED
  unsigned id;
  const char* text;
};

struct MenuEntry {
  unsigned id;
  const MenuItemEntry* items;
  int count;
};

enum ImageKind { kBitmap = 0, kIcon = 1, kCursor = 2 };

struct ImageEntry {
  unsigned id;
  int kind;
  int width, height, bitsPerPixel;
  int hotX, hotY;  // cursors
  const unsigned char* bytes;  // the image file (PNG or BMP)
  unsigned size;
};

struct ModuleData {
  unsigned magic;
  unsigned version;
  const char* name;
  const StringEntry* strings;
  int stringCount;
  const DialogEntry* dialogs;
  int dialogCount;
  const MenuEntry* menus;
  int menuCount;
  const ImageEntry* images;
  int imageCount;
};

}  // namespace varlo::res

namespace varlo::win {
namespace res = varlo::res;
}

// Every language library exports this one function.
extern "C" const varlo::res::ModuleData* VarloResourceModule();
