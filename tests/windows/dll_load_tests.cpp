// What the host engine sees of KORVA_Tools.dll before it binds it: the library loads, every symbol
// of the export list resolves, the command table holds exactly the sixteen rows in English (United
// States), and GetAssociatedDLLs answers 2.
//
// Usage: korva_windows_dll_tests [--filter TEXT] [PATH-TO-DLL]   (default: KORVA_Tools.dll beside
// it)
#include <windows.h>

#include <cstring>
#include <set>
#include <string>

#include "wintest.h"

namespace {

// Every symbol of src/host/windows/KORVA_Tools.def, generated at configure time.
const char* const kListedExports[] = {
#include "def_exports.inc"
};

struct CommandRow {
  UINT id;
  const char* text;
};

// The command table as the host's script compiler reads it; must match byte for byte.
const CommandRow kCommandTable[] = {
    {101, "KV Repair Hierarchy%L%?RepairHierarchy@@YAXH@Z%"},
    {102, "KV Load Milkshape%SL%?LoadMilkshape@@YAXKH@Z%"},
    {103, "KV Set Limb Ambience%LLD%SetLimbAmbience"},
    {104, "KV Set Limb Diffuse%LLD%SetLimbDiffuse"},
    {105, "KV Set Limb Emissive%LLD%SetLimbEmissive"},
    {106, "KV Set Limb Specular%LLDL%SetLimbSpecular"},
    {107, "KV Get Limb Ambience[%DLL%GetLimbAmbience"},
    {108, "KV Get Limb Diffuse[%DLL%GetLimbDiffuse"},
    {109, "KV Get Limb Emissive[%DLL%GetLimbEmissive"},
    {110, "KV Get Limb Specular[%DLL%GetLimbSpecular"},
    {111, "KV Set Limb Vertex Color%LLD%ColorLimb"},
    {112, "KV Get Animation Sets[%DL%GetNumAnimationSets"},
    {113, "KV Get Bone Name[%DLL%GetBoneName"},
    {114, "KV Get Bone Count[%DL%GetNumBones"},
    {115, "KV Get Bone Vert Count[%DLLL%GetNumAssignedVerts"},
    {116, "KV Get Bone Key Frames[%DLL%GetNumMatrixKeys"},
};

const WORD kEnglishUS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

HMODULE g_dll = nullptr;
const char* g_dll_path = "KORVA_Tools.dll";

// GetProcAddress through the one function type that casts to any other without a warning.
template <typename Function>
Function Export(const char* symbol) {
  FARPROC proc = GetProcAddress(g_dll, symbol);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

std::string Text(const char* what, unsigned long value) {
  return std::string(what) + std::to_string(value);
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR out) {
  auto* names = reinterpret_cast<std::set<unsigned long>*>(out);
  names->insert(IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0xFFFFFFFFul);
  return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR out) {
  reinterpret_cast<std::set<unsigned long>*>(out)->insert(language);
  return TRUE;
}

WINTEST(LoadsTheDll) {
  WIN_EXPECT(g_dll != nullptr, std::string("LoadLibraryA(") + g_dll_path + ") failed, error " +
                                   std::to_string(GetLastError()));
}

WINTEST(ResolvesEveryListedExport) {
  WIN_ASSERT(g_dll, "no DLL");
  WIN_EXPECT(sizeof kListedExports / sizeof kListedExports[0] >= 4, "the export list looks empty");
  for (const char* symbol : kListedExports)
    WIN_EXPECT(GetProcAddress(g_dll, symbol) != nullptr, std::string("not exported: ") + symbol);
}

WINTEST(CommandTableRowsAreExact) {
  WIN_ASSERT(g_dll, "no DLL");
  for (const CommandRow& row : kCommandTable) {
    char text[1024] = {};
    int length = LoadStringA(g_dll, row.id, text, sizeof text);
    if (length == 0) {
      WIN_EXPECT(false, Text("missing string ", row.id));
      continue;
    }
    WIN_EXPECT(
        length == static_cast<int>(std::strlen(row.text)) && std::strcmp(text, row.text) == 0,
        Text("string ", row.id) + " is " + korva::wintest::Quoted(std::string(text, length)) +
            ", expected " + korva::wintest::Quoted(row.text));
  }
}

WINTEST(CommandTableHasNoOtherRows) {
  WIN_ASSERT(g_dll, "no DLL");
  // Strings live in blocks of sixteen (ids 16k-16 .. 16k-1 in block k): ids 101..116 fill part of
  // blocks 7 and 8, and no other block may exist.
  std::set<unsigned long> blocks;
  EnumResourceNamesA(g_dll, reinterpret_cast<LPCSTR>(RT_STRING), CollectName,
                     reinterpret_cast<LONG_PTR>(&blocks));
  WIN_EXPECT(blocks == (std::set<unsigned long>{7, 8}), "string blocks other than 7 and 8");
  for (UINT id = 96; id < 128; ++id) {
    if (id >= 101 && id <= 116) continue;
    char text[16];
    WIN_EXPECT(LoadStringA(g_dll, id, text, sizeof text) == 0, Text("unexpected string ", id));
  }
}

WINTEST(CommandTableIsEnglishUnitedStates) {
  WIN_ASSERT(g_dll, "no DLL");
  for (unsigned long block : {7ul, 8ul}) {
    std::set<unsigned long> languages;
    EnumResourceLanguagesA(g_dll, reinterpret_cast<LPCSTR>(RT_STRING), MAKEINTRESOURCEA(block),
                           CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    WIN_EXPECT(languages == std::set<unsigned long>{kEnglishUS},
               Text("string block ", block) + " is not only in English (United States)");
  }
}

WINTEST(GetAssociatedDllsAnswersTwoBeforeAndAfterDestructor) {
  WIN_ASSERT(g_dll, "no DLL");
  auto associated = Export<int(__cdecl*)()>("?GetAssociatedDLLs@@YAHXZ");
  auto destructor = Export<void(__cdecl*)()>("?Destructor@@YAXXZ");
  WIN_ASSERT(associated && destructor, "lifecycle exports missing");
  WIN_EXPECT(associated() == 2, Text("GetAssociatedDLLs returned ", associated()));
  destructor();
  WIN_EXPECT(associated() == 2, "GetAssociatedDLLs changed after Destructor");
}

}  // namespace

int main(int argc, char** argv) {
  const char* filter = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--filter") == 0 && i + 1 < argc)
      filter = argv[++i];
    else
      g_dll_path = argv[i];
  }
  // No "cannot find DLL" box from the loader: a failure must be a result, not a wait.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  g_dll = LoadLibraryA(g_dll_path);
  int result = korva::wintest::RunAll(filter);
  if (g_dll) FreeLibrary(g_dll);
  return result;
}
