// Resource lookup by id in the current module, switching modules, language libraries.
#include <cstring>

#include "Fixture.h"
#include "platform/win/Dialog.h"
#include "platform/win/FrameworkText.h"
#include "platform/win/Gdi.h"
#include "platform/win/GdiData.h"
#include "platform/win/Menu.h"

using namespace varlo::win;

namespace {
std::string LibraryPath(const char* name) { return std::string(VARLO_LANGUAGE_LIBRARY_DIR) + "/" + name; }

std::string MenuText(UINT menuId, UINT command) {
  CMenu menu;
  if (!menu.LoadMenu(menuId)) return "<none>";
  CString text;
  menu.GetMenuString(command, text, MF_BYCOMMAND);
  return text.GetString();
}
}  // namespace

TEST_F(LayerTest, ExecutableResourcesHoldTheEnglishSet) {
  EXPECT_EQ(AfxLoadString(113), "Varlo 3.8");
  EXPECT_EQ(AfxLoadString(136), "                 Can't make a call!\r\nPlease check your internet connection!");
  EXPECT_EQ(AfxLoadString(169), "Would you answer the call?\nFrom:");
  EXPECT_EQ(AfxLoadString(122), "");  // there is no string 122
  EXPECT_EQ(MenuText(256, 32775), "&Exit");
  EXPECT_EQ(MenuText(200, 32773), "Home Tel");
  EXPECT_EQ(MenuText(999, 1), "<none>");
  for (UINT id = 101; id <= 169; ++id) {
    if (id == 122) continue;
    EXPECT_NE(AfxLoadString(id), "") << id;
  }
  HCURSOR hand = LoadCursor(AfxGetInstanceHandle(), MAKEINTRESOURCE(180));
  auto cursor = GdiGetAs<IconData>(hand);
  ASSERT_TRUE(cursor && cursor->image);
  EXPECT_EQ(cursor->image->width, 32);
  EXPECT_EQ(cursor->hotSpot.x, 5);
  EXPECT_EQ(cursor->hotSpot.y, 0);
  EXPECT_TRUE(LoadIcon(AfxGetInstanceHandle(), MAKEINTRESOURCE(128)));
}

TEST_F(LayerTest, LanguageLibrariesHoldTheSameIdsInTheirLanguage) {
  struct Case {
    const char* file;
    const char* title104;
    const char* exitText;
    const char* next;  // the framework's own texts come in the library's language too
    const char* maxChars;
  };
  const Case cases[] = {{"China.dll", "请输入号码", "退出(&E)", "下一步(&N) >", "请输入不超过 15 个字符。"},
                        {"Traditional.dll", "請輸入號碼", "退出(&E)", "下一步(&N) >", "請輸入不超過 15 個字元。"}};
  const res::ModuleData* english = ModuleTables(ExecutableModule());
  for (const Case& c : cases) {
    HINSTANCE lib = LoadLibrary(LibraryPath(c.file).c_str());
    ASSERT_TRUE(lib) << c.file;
    AfxSetResourceHandle(lib);
    EXPECT_EQ(AfxLoadString(104), c.title104);
    EXPECT_EQ(MenuText(256, 32775), c.exitText);
    EXPECT_EQ(FrameworkText(kTextNext), c.next);
    EXPECT_EQ(FrameworkText(kTextMaxChars, "15"), c.maxChars);
    // Every string, dialog (with its controls) and menu of the executable, under its id.
    const res::ModuleData* m = ModuleTables(lib);
    for (int i = 0; i < english->stringCount; ++i) {
      EXPECT_TRUE(FindString(lib, english->strings[i].id)) << c.file << " string " << english->strings[i].id;
    }
    for (int i = 0; i < english->dialogCount; ++i) {
      const res::DialogEntry* d = FindDialog(lib, english->dialogs[i].id);
      ASSERT_TRUE(d) << c.file << " dialog " << english->dialogs[i].id;
      EXPECT_EQ(d->controlCount, english->dialogs[i].controlCount);
    }
    EXPECT_EQ(m->menuCount, english->menuCount);
    // The language names of the options page stay as the page compares them.
    const res::DialogEntry* options = FindDialog(lib, 205);
    ASSERT_TRUE(options && options->controls[0].items);
    EXPECT_STREQ(options->controls[0].items[1], "Simplify Chinese");
    // Freeing the module in force puts the executable's resources back first.
    EXPECT_TRUE(FreeLibrary(lib));
    EXPECT_EQ(AfxGetResourceHandle(), ExecutableModule());
    EXPECT_EQ(AfxLoadString(104), "Please Input Number");
    EXPECT_FALSE(ModuleTables(lib));
  }
}

TEST_F(LayerTest, MissingLibraryLeavesEnglishAndMissingResourcesLoadEmpty) {
  EXPECT_EQ(LoadLibrary("NoSuchLanguage.dll"), nullptr);
  EXPECT_EQ(LoadLibrary(LibraryPath("NoSuchLanguage.dll").c_str()), nullptr);
  EXPECT_EQ(AfxLoadString(104), "Please Input Number");
  EXPECT_EQ(FrameworkText(kTextIntegerRange, "1", "7"), "Enter an integer between 1 and 7.");
  // A module without the resources: everything loads empty, nothing is reported; the
  // framework's own texts are English then.
  AfxSetResourceHandle(reinterpret_cast<HINSTANCE>(0x1234));
  EXPECT_EQ(AfxLoadString(104), "");
  EXPECT_EQ(FrameworkText(kTextBack), "< &Back");
  CBitmap bitmap;
  EXPECT_FALSE(bitmap.LoadBitmap(203));
  CMenu menu;
  EXPECT_FALSE(menu.LoadMenu(200));
  CDialog dlg(255);
  EXPECT_EQ(dlg.DoModal(), -1);
}
