// The DLL's resources, read as data so that the i686 DLL is checked by the
// x86_64 test program too: the version information and both type libraries.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/win32/handles.h"
#include "support.h"

using quill::win32::ComPtr;
using quill::win32::UniqueBstr;
using wintest::Scope;

namespace {

const GUID kLibid = {0xA468F4CE, 0xB92B, 0x460B, {0xAF, 0x7C, 0xE6, 0x0C, 0xAA, 0x45, 0xE2, 0x64}};
const GUID kIid = {0xCA4DC0D2, 0x8789, 0x400A, {0x86, 0xEF, 0x44, 0x0D, 0xFF, 0x7C, 0x50, 0x95}};
const GUID kClsid = {0x998E1645, 0x3613, 0x4B39, {0xA8, 0x24, 0x8D, 0x55, 0xE5, 0x7E, 0x17, 0x19}};
const GUID kExtensibility = {0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

void version_info(const std::wstring& dll) {
    Scope s("version");
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(dll.c_str(), &handle);
    if (!CHECK(size > 0)) return;
    std::vector<BYTE> data(size);
    if (!CHECK(GetFileVersionInfoW(dll.c_str(), 0, size, data.data()))) return;

    void* p = nullptr;
    UINT len = 0;
    CHECK(VerQueryValueW(data.data(), L"\\", &p, &len) && len >= sizeof(VS_FIXEDFILEINFO));
    if (p) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(p);
        CHECK(fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0);
        CHECK(fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0);
        CHECK(fixed->dwFileType == VFT_DLL);
        CHECK(fixed->dwFileOS == VOS__WINDOWS32);
    }
    CHECK(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &p, &len) && len == 4);
    if (p && len == 4) {
        const auto* words = static_cast<const WORD*>(p);
        CHECK(words[0] == 0x0409 && words[1] == 0x04B0);
    }
    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"FileVersion", L"1.00"},         {L"ProductVersion", L"1.00"},   {L"ProductName", L"Pixnote"},
        {L"InternalName", L"Pixnote"},     {L"OriginalFilename", L"Pixnote.dll"},
        {L"CompanyName", L"Toravel"},      {L"OLESelfRegister", L""},
    };
    for (const auto& [name, expected] : strings) {
        Scope row(wintest::narrow(name));
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        p = nullptr;
        len = 0;
        if (!CHECK(VerQueryValueW(data.data(), path.c_str(), &p, &len))) continue;
        const std::wstring got = p && len ? std::wstring(static_cast<const wchar_t*>(p)) : std::wstring();
        CHECK(got == expected);
    }
}

std::wstring doc_name(ITypeInfo* info, MEMBERID id) {
    BSTR raw = nullptr;
    info->GetDocumentation(id, &raw, nullptr, nullptr, nullptr);
    UniqueBstr name(raw);
    return name ? name.get() : L"";
}

void quillpix_library(const std::wstring& dll, SYSKIND kind) {
    Scope s("TYPELIB 1");
    ComPtr<ITypeLib> lib;
    if (!CHECK(LoadTypeLibEx(dll.c_str(), REGKIND_NONE, lib.put()) == S_OK)) return;
    TLIBATTR* attr = nullptr;
    CHECK(lib->GetLibAttr(&attr) == S_OK);
    if (attr) {
        CHECK(attr->guid == kLibid);
        CHECK(attr->lcid == 0x0409);
        CHECK(attr->wMajorVerNum == 1 && attr->wMinorVerNum == 0);
        CHECK(attr->syskind == kind);
        lib->ReleaseTLibAttr(attr);
    }
    BSTR name = nullptr, help = nullptr;
    CHECK(lib->GetDocumentation(-1, &name, &help, nullptr, nullptr) == S_OK);
    UniqueBstr name_owner(name), help_owner(help);
    CHECK(name && std::wstring(name) == L"Quillpix");
    CHECK(help && std::wstring(help) == L"Quillpix Ver. 1.01");
    CHECK(lib->GetTypeInfoCount() == 2);  // _Connect and Connect, nothing of Office's

    // _Connect: its dispatch half carries the flags, the vtable half the
    // members in their declared order.
    ComPtr<ITypeInfo> disp;
    if (!CHECK(lib->GetTypeInfoOfGuid(kIid, disp.put()) == S_OK)) return;
    TYPEATTR* ta = nullptr;
    disp->GetTypeAttr(&ta);
    if (ta) {
        CHECK(ta->typekind == TKIND_DISPATCH);
        const WORD want = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE;
        if (!CHECK((ta->wTypeFlags & want) == want)) std::printf("  flags 0x%x\n", ta->wTypeFlags);
        disp->ReleaseTypeAttr(ta);
    }
    CHECK(doc_name(disp.get(), MEMBERID_NIL) == L"_Connect");
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> vtbl;
    CHECK(disp->GetRefTypeOfImplType(-1, &ref) == S_OK && disp->GetRefTypeInfo(ref, vtbl.put()) == S_OK);
    if (!CHECK(vtbl)) return;
    struct Member {
        const wchar_t* name;
        INVOKEKIND kind;
        short params;
    };
    const Member members[] = {
        {L"FormDisplayed", INVOKE_PROPERTYGET, 1}, {L"FormDisplayed", INVOKE_PROPERTYPUT, 1},
        {L"xlapp", INVOKE_PROPERTYGET, 1},         {L"xlapp", INVOKE_PROPERTYPUTREF, 1},
        {L"MenuHandler", INVOKE_PROPERTYGET, 1},   {L"MenuHandler", INVOKE_PROPERTYPUTREF, 1},
        {L"Hide", INVOKE_FUNC, 0},                 {L"Show", INVOKE_FUNC, 0},
        {L"AddToAddInCommandBar", INVOKE_FUNC, 2},
    };
    vtbl->GetTypeAttr(&ta);
    if (ta) {
        CHECK(ta->typekind == TKIND_INTERFACE && ta->cFuncs == 9);
        // Automation-compatible: what makes registration marshal it through
        // the type library.
        CHECK(ta->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
        vtbl->ReleaseTypeAttr(ta);
    }
    for (UINT i = 0; i < 9; ++i) {
        Scope row(wintest::narrow(members[i].name));
        FUNCDESC* fd = nullptr;
        if (!CHECK(vtbl->GetFuncDesc(i, &fd) == S_OK && fd)) continue;
        CHECK(doc_name(vtbl.get(), fd->memid) == members[i].name);
        CHECK(fd->invkind == members[i].kind);
        CHECK(fd->cParams == members[i].params);
        if (i == 8) {  // [in, out] BSTR* sCaption, [out, retval] IDispatch**
            CHECK(fd->lprgelemdescParam[0].tdesc.vt == VT_PTR &&
                  fd->lprgelemdescParam[0].tdesc.lptdesc->vt == VT_BSTR);
            CHECK((fd->lprgelemdescParam[0].paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT)) ==
                  (PARAMFLAG_FIN | PARAMFLAG_FOUT));
            CHECK(fd->lprgelemdescParam[1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
        }
        vtbl->ReleaseFuncDesc(fd);
    }

    ComPtr<ITypeInfo> co;
    if (!CHECK(lib->GetTypeInfoOfGuid(kClsid, co.put()) == S_OK)) return;
    CHECK(doc_name(co.get(), MEMBERID_NIL) == L"Connect");
    co->GetTypeAttr(&ta);
    if (ta) {
        CHECK(ta->typekind == TKIND_COCLASS && (ta->wTypeFlags & TYPEFLAG_FCANCREATE));
        CHECK(ta->cImplTypes == 1);
        co->ReleaseTypeAttr(ta);
    }
    INT flags = 0;
    CHECK(co->GetImplTypeFlags(0, &flags) == S_OK && (flags & IMPLTYPEFLAG_FDEFAULT));
}

void extensibility_library(const std::wstring& dll) {
    Scope s("TYPELIB 2");
    ComPtr<ITypeLib> lib;
    if (!CHECK(LoadTypeLibEx((dll + L"\\2").c_str(), REGKIND_NONE, lib.put()) == S_OK)) return;
    ComPtr<ITypeInfo> disp;
    if (!CHECK(lib->GetTypeInfoOfGuid(kExtensibility, disp.put()) == S_OK)) return;
    const wchar_t* names[] = {L"OnConnection", L"OnDisconnection", L"OnAddInsUpdate", L"OnStartupComplete",
                              L"OnBeginShutdown"};
    for (int i = 0; i < 5; ++i) {
        Scope row(wintest::narrow(names[i]));
        MEMBERID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        CHECK(disp->GetIDsOfNames(&name, 1, &id) == S_OK && id == i + 1);
    }
}

}  // namespace

// resources <dll> win32|win64
void resources_suite(const std::vector<std::wstring>& args) {
    if (!CHECK(args.size() == 2)) return;
    version_info(args[0]);
    quillpix_library(args[0], args[1] == L"win32" ? SYS_WIN32 : SYS_WIN64);
    extensibility_library(args[0]);
}
