// The DLL's resources, read as data so that the i686 DLL is checked by the
// x86_64 test program too: the version information and both type libraries.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "support.h"

using quill::win32::ComPtr;
using quill::win32::UniqueBstr;

namespace {

const GUID kLibid = {0xA468F4CE, 0xB92B, 0x460B, {0xAF, 0x7C, 0xE6, 0x0C, 0xAA, 0x45, 0xE2, 0x64}};
const GUID kIid = {0xCA4DC0D2, 0x8789, 0x400A, {0x86, 0xEF, 0x44, 0x0D, 0xFF, 0x7C, 0x50, 0x95}};
const GUID kClsid = {0x998E1645, 0x3613, 0x4B39, {0xA8, 0x24, 0x8D, 0x55, 0xE5, 0x7E, 0x17, 0x19}};
const GUID kExtensibility = {0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

// resources <dll> win32|win64
std::wstring dll() { return wintest::args().empty() ? L"" : wintest::args()[0]; }

std::wstring doc_name(ITypeInfo* info, MEMBERID id) {
    BSTR raw = nullptr;
    info->GetDocumentation(id, &raw, nullptr, nullptr, nullptr);
    UniqueBstr name(raw);
    return name ? name.get() : L"";
}

TYPEATTR attr_of(ITypeInfo* info) {
    TYPEATTR* ta = nullptr;
    TYPEATTR copy{};
    if (SUCCEEDED(info->GetTypeAttr(&ta))) copy = *ta;
    if (ta) info->ReleaseTypeAttr(ta);
    return copy;
}

}  // namespace

TEST(Resources, VersionInformation) {
    DWORD handle = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(dll().c_str(), &handle));
    ASSERT_TRUE(!data.empty() && GetFileVersionInfoW(dll().c_str(), 0, data.size(), data.data()));
    void* p = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", &p, &len) && len >= sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(static_cast<const VS_FIXEDFILEINFO*>(p)->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(static_cast<const VS_FIXEDFILEINFO*>(p)->dwFileType, DWORD{VFT_DLL});
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &p, &len) && len == 4);
    EXPECT_EQ(*static_cast<const DWORD*>(p), 0x04B00409u);  // US English, Unicode: the block read below
    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"FileVersion", L"1.00"},         {L"ProductVersion", L"1.00"},   {L"ProductName", L"Pixnote"},
        {L"InternalName", L"Pixnote"},     {L"OriginalFilename", L"Pixnote.dll"},
        {L"CompanyName", L"Toravel"},      {L"OLESelfRegister", L""},
    };
    for (const auto& [name, expected] : strings) {
        SCOPED_TRACE(name);
        len = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(VerQueryValueW(data.data(), path.c_str(), &p, &len));
        EXPECT_EQ(len ? std::wstring(static_cast<const wchar_t*>(p)) : std::wstring(), expected);
    }
}

TEST(Resources, QuillpixTypeLibrary) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(dll().c_str(), REGKIND_NONE, lib.put()), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(attr->guid == kLibid);
    EXPECT_EQ(attr->lcid, 0x0409u);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->syskind, wintest::args().size() > 1 && wintest::args()[1] == L"win32" ? SYS_WIN32 : SYS_WIN64);
    lib->ReleaseTLibAttr(attr);
    BSTR name = nullptr, help = nullptr;
    EXPECT_EQ(lib->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    UniqueBstr name_owner(name), help_owner(help);
    EXPECT_EQ(std::wstring(name ? name : L""), L"Quillpix");
    EXPECT_EQ(std::wstring(help ? help : L""), L"Quillpix Ver. 1.01");
    EXPECT_EQ(lib->GetTypeInfoCount(), 2u);  // _Connect and Connect, nothing of Office's

    // _Connect: its dispatch half carries the flags, the vtable half the
    // members in their declared order, automation-compatible, which makes
    // registration marshal it through the type library.
    ComPtr<ITypeInfo> disp, vtbl, co;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(kIid, disp.put()), S_OK);
    EXPECT_EQ(attr_of(disp.get()).typekind, TKIND_DISPATCH);
    const WORD flags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE;
    EXPECT_EQ(attr_of(disp.get()).wTypeFlags & flags, flags);
    EXPECT_EQ(doc_name(disp.get(), MEMBERID_NIL), L"_Connect");
    HREFTYPE ref = 0;
    ASSERT_EQ(disp->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(disp->GetRefTypeInfo(ref, vtbl.put()), S_OK);
    EXPECT_EQ(attr_of(vtbl.get()).typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr_of(vtbl.get()).cFuncs, 9);
    EXPECT_TRUE(attr_of(vtbl.get()).wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    const struct {
        const wchar_t* name;
        INVOKEKIND kind;
        short params;
    } members[] = {
        {L"FormDisplayed", INVOKE_PROPERTYGET, 1}, {L"FormDisplayed", INVOKE_PROPERTYPUT, 1},
        {L"xlapp", INVOKE_PROPERTYGET, 1},         {L"xlapp", INVOKE_PROPERTYPUTREF, 1},
        {L"MenuHandler", INVOKE_PROPERTYGET, 1},   {L"MenuHandler", INVOKE_PROPERTYPUTREF, 1},
        {L"Hide", INVOKE_FUNC, 0},                 {L"Show", INVOKE_FUNC, 0},
        {L"AddToAddInCommandBar", INVOKE_FUNC, 2},
    };
    for (UINT i = 0; i < 9; ++i) {
        SCOPED_TRACE(members[i].name);
        FUNCDESC* fd = nullptr;
        ASSERT_EQ(vtbl->GetFuncDesc(i, &fd), S_OK);
        EXPECT_EQ(doc_name(vtbl.get(), fd->memid), members[i].name);
        EXPECT_EQ(fd->invkind, members[i].kind);
        EXPECT_EQ(fd->cParams, members[i].params);
        if (i == 8) {  // [in, out] BSTR* sCaption, [out, retval] IDispatch**
            const ELEMDESC* p = fd->lprgelemdescParam;
            EXPECT_TRUE(p[0].tdesc.vt == VT_PTR && p[0].tdesc.lptdesc->vt == VT_BSTR);
            EXPECT_EQ(p[0].paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT), PARAMFLAG_FIN | PARAMFLAG_FOUT);
            EXPECT_TRUE(p[1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
        }
        vtbl->ReleaseFuncDesc(fd);
    }
    ASSERT_EQ(lib->GetTypeInfoOfGuid(kClsid, co.put()), S_OK);
    EXPECT_EQ(doc_name(co.get(), MEMBERID_NIL), L"Connect");
}

TEST(Resources, ExtensibilityTypeLibrary) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx((dll() + L"\\2").c_str(), REGKIND_NONE, lib.put()), S_OK);
    ComPtr<ITypeInfo> disp;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(kExtensibility, disp.put()), S_OK);
    const wchar_t* names[] = {L"OnConnection", L"OnDisconnection", L"OnAddInsUpdate", L"OnStartupComplete",
                              L"OnBeginShutdown"};
    for (MEMBERID i = 0; i < 5; ++i) {
        SCOPED_TRACE(names[i]);
        MEMBERID id = 0;
        EXPECT_EQ(disp->GetIDsOfNames(const_cast<LPOLESTR*>(&names[i]), 1, &id), S_OK);
        EXPECT_EQ(id, i + 1);
    }
}
