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

// What makes the file a self-registering DLL to installers; the strings
// beside it are the .rc's own.
TEST(Resources, VersionInformation) {
    DWORD handle = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(dll().c_str(), &handle));
    ASSERT_TRUE(!data.empty() && GetFileVersionInfoW(dll().c_str(), 0, data.size(), data.data()));
    void* p = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", &p, &len) && len >= sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(static_cast<const VS_FIXEDFILEINFO*>(p)->dwFileType, DWORD{VFT_DLL});
    EXPECT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\OLESelfRegister", &p, &len));
}

// What binding needs of the type library: its identity for this platform,
// _Connect dual and automation-compatible (registration then marshals it
// through the library), and the by-reference caption of its last member.
TEST(Resources, QuillpixTypeLibrary) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(dll().c_str(), REGKIND_NONE, lib.put()), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(attr->guid == kLibid && attr->lcid == 0x0409u && attr->wMajorVerNum == 1 && attr->wMinorVerNum == 0);
    EXPECT_EQ(attr->syskind, wintest::args().size() > 1 && wintest::args()[1] == L"win32" ? SYS_WIN32 : SYS_WIN64);
    lib->ReleaseTLibAttr(attr);
    EXPECT_EQ(lib->GetTypeInfoCount(), 2u);  // _Connect and Connect, nothing of Office's

    ComPtr<ITypeInfo> disp, vtbl, co;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(kIid, disp.put()), S_OK);
    EXPECT_EQ(attr_of(disp.get()).typekind, TKIND_DISPATCH);
    const WORD flags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE;
    EXPECT_EQ(attr_of(disp.get()).wTypeFlags & flags, flags);
    HREFTYPE ref = 0;
    ASSERT_EQ(disp->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(disp->GetRefTypeInfo(ref, vtbl.put()), S_OK);
    EXPECT_EQ(attr_of(vtbl.get()).cFuncs, 9);
    EXPECT_TRUE(attr_of(vtbl.get()).wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(vtbl->GetFuncDesc(8, &fd), S_OK);
    EXPECT_EQ(doc_name(vtbl.get(), fd->memid), L"AddToAddInCommandBar");
    const ELEMDESC* p = fd->lprgelemdescParam;  // [in, out] BSTR* sCaption, [out, retval] IDispatch**
    EXPECT_TRUE(fd->cParams == 2 && p[0].tdesc.vt == VT_PTR && p[0].tdesc.lptdesc->vt == VT_BSTR);
    EXPECT_EQ(p[0].paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT), PARAMFLAG_FIN | PARAMFLAG_FOUT);
    EXPECT_TRUE(p[1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
    vtbl->ReleaseFuncDesc(fd);
    ASSERT_EQ(lib->GetTypeInfoOfGuid(kClsid, co.put()), S_OK);
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
