// Resource modules: the executable's own resources and the language libraries loaded
// with LoadLibrary, looked up by id in the module's current resource handle.  A resource
// the module lacks loads empty.
#pragma once
#include <memory>
#include <string>

#include "platform/core/CString.h"
#include "platform/win/ResourceData.h"
#include "platform/win/WinTypes.h"

namespace varlo::win {
struct BitmapData;
struct IconData;

// Makes a module the executable's own resources (the generated code of the executable
// calls it during static initialisation).
void SetExecutableResources(const res::ModuleData* module);
// The tables behind a handle; null for a handle that is not a live module.
const res::ModuleData* ModuleTables(HINSTANCE module);
HINSTANCE ExecutableModule();

const char* FindString(HINSTANCE module, UINT id);  // null when missing
const res::DialogEntry* FindDialog(HINSTANCE module, UINT id);
const res::MenuEntry* FindMenu(HINSTANCE module, UINT id);
const res::ImageEntry* FindImage(HINSTANCE module, UINT id, int kind);
std::shared_ptr<const BitmapData> BitmapFromImage(const res::ImageEntry& image);

}  // namespace varlo::win

struct AFX_MODULE_STATE {
  HINSTANCE m_hCurrentInstanceHandle = nullptr;
  HINSTANCE m_hCurrentResourceHandle = nullptr;
};
AFX_MODULE_STATE* AfxGetModuleState();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);
HINSTANCE AfxGetInstanceHandle();

// Language libraries.  A bare file name is looked for beside the executable first, then
// in the current directory.  Null when the file is missing or holds no resources.
HINSTANCE LoadLibrary(const char* fileName);
inline HINSTANCE LoadLibraryA(const char* fileName) { return LoadLibrary(fileName); }
inline HINSTANCE AfxLoadLibrary(const char* fileName) { return LoadLibrary(fileName); }
// Freeing the module that is the current resource handle puts the executable's back first.
BOOL FreeLibrary(HINSTANCE module);
inline BOOL AfxFreeLibrary(HINSTANCE module) { return FreeLibrary(module); }
HINSTANCE GetModuleHandle(const char* name);
DWORD GetModuleFileName(HINSTANCE module, char* buffer, DWORD size);

// The string table: copies string id of the module into the buffer; returns its length
// in bytes, 0 when there is none.
int LoadString(HINSTANCE module, UINT id, char* buffer, int bufferSize);
// String id of the current resources; empty when missing.
CString AfxLoadString(UINT id);
BOOL AfxLoadString(UINT id, CString& out);
