/* Loads a type library (a .tlb file or a module's TYPELIB resource) and a
 * module's version record through the platform's own loaders and prints what
 * they report, one fact per line, so the output can be compared with what
 * the library description says. Built with MinGW, run under wine.
 *
 *   checker typelib FILE     every attribute, type, member, name and flag
 *   checker version FILE     the version record through the version API
 *   checker hash NAME...     the platform's name hash (English, 32-bit)
 */
#define COBJMACROS
#include <windows.h>
#include <oleauto.h>
#include <stdio.h>

static void PrintGuid(const char *label, REFGUID g) {
  WCHAR text[64];
  StringFromGUID2(g, text, 64);
  printf("%s %ls\n", label, text);
}

static void PrintFunctions(ITypeInfo *ti, const TYPEATTR *ta, const char *prefix) {
  for (UINT f = 0; f < ta->cFuncs; ++f) {
    FUNCDESC *fd;
    if (FAILED(ITypeInfo_GetFuncDesc(ti, f, &fd))) { printf("%s func %u: GetFuncDesc failed\n", prefix, f); continue; }
    BSTR names[8];
    UINT count = 0;
    ITypeInfo_GetNames(ti, fd->memid, names, 8, &count);
    printf("%s func %u memid 0x%08lX invkind %d funckind %d callconv %d oVft %d params %d ret vt %d", prefix, f,
           (unsigned long)fd->memid, fd->invkind, fd->funckind, fd->callconv, fd->oVft, fd->cParams,
           fd->elemdescFunc.tdesc.vt);
    for (UINT n = 0; n < count; ++n) { printf(" name[%u]=%ls", n, names[n]); SysFreeString(names[n]); }
    for (SHORT p = 0; p < fd->cParams; ++p) {
      const TYPEDESC *td = &fd->lprgelemdescParam[p].tdesc;
      printf(" param%d vt %d", p, td->vt);
      if (td->vt == VT_PTR) printf("->%d", td->lptdesc->vt);
      printf(" flags 0x%X", fd->lprgelemdescParam[p].paramdesc.wParamFlags);
    }
    printf("\n");
    ITypeInfo_ReleaseFuncDesc(ti, fd);
  }
}

static int DumpTypeLibrary(const WCHAR *path) {
  ITypeLib *tl;
  HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &tl);
  if (FAILED(hr)) { printf("LoadTypeLibEx failed 0x%08lX\n", (unsigned long)hr); return 1; }
  BSTR name, doc, help;
  ITypeLib_GetDocumentation(tl, -1, &name, &doc, NULL, &help);
  printf("library name %ls\nlibrary doc %ls\nlibrary helpfile %ls\n", name, doc ? doc : L"(null)",
         help ? help : L"(null)");
  TLIBATTR *la;
  ITypeLib_GetLibAttr(tl, &la);
  PrintGuid("library guid", &la->guid);
  printf("library lcid 0x%lX syskind %d version %d.%d flags 0x%X\n", (unsigned long)la->lcid, la->syskind,
         la->wMajorVerNum, la->wMinorVerNum, la->wLibFlags);
  ITypeLib_ReleaseTLibAttr(tl, la);
  UINT count = ITypeLib_GetTypeInfoCount(tl);
  printf("type count %u\n", count);
  for (UINT i = 0; i < count; ++i) {
    ITypeInfo *ti;
    ITypeLib_GetTypeInfo(tl, i, &ti);
    BSTR tname, tdoc;
    ITypeLib_GetDocumentation(tl, i, &tname, &tdoc, NULL, NULL);
    TYPEATTR *ta;
    ITypeInfo_GetTypeAttr(ti, &ta);
    printf("type %u name %ls kind %d flags 0x%X version %d.%d funcs %d vars %d impls %d vft %d\n", i, tname,
           ta->typekind, ta->wTypeFlags, ta->wMajorVerNum, ta->wMinorVerNum, ta->cFuncs, ta->cVars,
           ta->cImplTypes, ta->cbSizeVft);
    PrintGuid("type guid", &ta->guid);
    for (UINT j = 0; j < ta->cImplTypes; ++j) {
      HREFTYPE href;
      INT flags = 0;
      ITypeInfo *ref;
      BSTR rname = NULL;
      ITypeInfo_GetRefTypeOfImplType(ti, j, &href);
      ITypeInfo_GetImplTypeFlags(ti, j, &flags);
      if (SUCCEEDED(ITypeInfo_GetRefTypeInfo(ti, href, &ref))) {
        ITypeInfo_GetDocumentation(ref, MEMBERID_NIL, &rname, NULL, NULL, NULL);
        ITypeInfo_Release(ref);
      }
      printf("  impl %u %ls flags 0x%X\n", j, rname ? rname : L"(unresolved)", flags);
    }
    PrintFunctions(ti, ta, " ");
    for (UINT v = 0; v < ta->cVars; ++v) {
      VARDESC *vd;
      ITypeInfo_GetVarDesc(ti, v, &vd);
      BSTR vname, vdoc;
      ITypeInfo_GetDocumentation(ti, vd->memid, &vname, &vdoc, NULL, NULL);
      VARIANT value;
      VariantInit(&value);
      if (vd->varkind == VAR_CONST) VariantChangeType(&value, vd->lpvarValue, 0, VT_I4);
      printf("  var %u %ls kind %d value %ld doc %ls\n", v, vname, vd->varkind, (long)V_I4(&value),
             vdoc ? vdoc : L"(null)");
      ITypeInfo_ReleaseVarDesc(ti, vd);
    }
    if (ta->wTypeFlags & TYPEFLAG_FDUAL) {
      HREFTYPE twinRef;
      ITypeInfo *twin;
      if (SUCCEEDED(ITypeInfo_GetRefTypeOfImplType(ti, -1, &twinRef)) &&
          SUCCEEDED(ITypeInfo_GetRefTypeInfo(ti, twinRef, &twin))) {
        TYPEATTR *twa;
        ITypeInfo_GetTypeAttr(twin, &twa);
        printf("  twin kind %d funcs %d vft %d\n", twa->typekind, twa->cFuncs, twa->cbSizeVft);
        PrintFunctions(twin, twa, "  twin");
        ITypeInfo_ReleaseTypeAttr(twin, twa);
        ITypeInfo_Release(twin);
      } else {
        printf("  twin missing\n");
      }
    }
    for (UINT f = 0; f < ta->cFuncs; ++f) {
      FUNCDESC *fd;
      BSTR fname;
      if (FAILED(ITypeInfo_GetFuncDesc(ti, f, &fd))) continue;
      ITypeInfo_GetDocumentation(ti, fd->memid, &fname, NULL, NULL, NULL);
      MEMBERID id = 0;
      hr = ITypeInfo_GetIDsOfNames(ti, &fname, 1, &id);
      printf("  GetIDsOfNames %ls -> 0x%08lX hr 0x%08lX\n", fname, (unsigned long)id, (unsigned long)hr);
      ITypeInfo_ReleaseFuncDesc(ti, fd);
    }
    ITypeInfo_ReleaseTypeAttr(ti, ta);
    ITypeInfo_Release(ti);
  }
  ITypeLib_Release(tl);
  return 0;
}

static void PrintValue(const void *block, const WCHAR *key) {
  WCHAR query[128];
  LPWSTR value = NULL;
  UINT length = 0;
  swprintf(query, 128, L"\\StringFileInfo\\040904B0\\%ls", key);
  if (VerQueryValueW(block, query, (void **)&value, &length))
    printf("version %ls = \"%ls\"\n", key, length ? value : L"");
  else
    printf("version %ls missing\n", key);
}

static int DumpVersion(const WCHAR *path) {
  DWORD handle = 0, size = GetFileVersionInfoSizeW(path, &handle);
  if (!size) { printf("no version record (error %lu)\n", GetLastError()); return 1; }
  void *block = HeapAlloc(GetProcessHeap(), 0, size);
  if (!GetFileVersionInfoW(path, 0, size, block)) { printf("GetFileVersionInfo failed\n"); return 1; }
  VS_FIXEDFILEINFO *fixed;
  UINT length;
  if (VerQueryValueW(block, L"\\", (void **)&fixed, &length))
    printf("fixed signature 0x%08lX struc 0x%08lX file %lu.%lu.%lu.%lu product %lu.%lu.%lu.%lu mask 0x%lX flags 0x%lX "
           "os 0x%lX type 0x%lX subtype 0x%lX\n",
           fixed->dwSignature, fixed->dwStrucVersion, fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
           fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF, fixed->dwProductVersionMS >> 16,
           fixed->dwProductVersionMS & 0xFFFF, fixed->dwProductVersionLS >> 16, fixed->dwProductVersionLS & 0xFFFF,
           fixed->dwFileFlagsMask, fixed->dwFileFlags, fixed->dwFileOS, fixed->dwFileType, fixed->dwFileSubtype);
  WORD *translation;
  if (VerQueryValueW(block, L"\\VarFileInfo\\Translation", (void **)&translation, &length) && length >= 4)
    printf("translation 0x%04X %u\n", translation[0], translation[1]);
  static const WCHAR *keys[] = {L"CompanyName", L"ProductName", L"FileVersion", L"ProductVersion",
                                L"InternalName", L"OriginalFilename", L"OLESelfRegister"};
  for (int i = 0; i < 7; ++i) PrintValue(block, keys[i]);
  return 0;
}

int wmain(int argc, WCHAR **argv) {
  if (argc >= 2 && !wcscmp(argv[1], L"hash")) {
    for (int i = 2; i < argc; ++i)
      printf("hash %ls 0x%08lX\n", argv[i], (unsigned long)LHashValOfNameSys(SYS_WIN32, 0x409, argv[i]));
    return 0;
  }
  if (argc != 3) { printf("usage: checker typelib|version FILE | hash NAME...\n"); return 2; }
  CoInitialize(NULL);
  if (!wcscmp(argv[1], L"typelib")) return DumpTypeLibrary(argv[2]);
  if (!wcscmp(argv[1], L"version")) return DumpVersion(argv[2]);
  return 2;
}
