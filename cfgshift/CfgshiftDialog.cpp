#include "cfgshift/CfgshiftDialog.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "cfgshift/CfgshiftRes.h"
#include "cfgshift/ConfigConversion.h"

namespace {

const char kTitle[] = "Cfgshift";
// The mailbox whose subscriptions "Read" lists.
const char kInspectedServerId[] = "405fa3cb.mb\\";

// Asks for an existing file. The filter holds NUL-separated description/pattern pairs and ends
// with an extra NUL, as the common dialog expects. False when the user cancels.
bool AskOpenFileName(HWND owner,
                     const char* defExt,
                     const char* defName,
                     const char* filter,
                     size_t filterLength,
                     std::string& path) {
    std::vector<char> file(4 * MAX_PATH, '\0');
    lstrcpynA(file.data(), defName, static_cast<int>(file.size()));
    std::string filterText(filter, filterLength);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filterText.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = defExt;
    // The conversion works on the full path, so the current folder is left alone.
    ofn.Flags =
        OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
    if (!GetOpenFileNameA(&ofn))
        return false;
    path = file.data();
    return true;
}

}  // namespace

CCfgshiftDialog::~CCfgshiftDialog() {
    if (bigIcon_)
        DestroyIcon(bigIcon_);
    if (smallIcon_)
        DestroyIcon(smallIcon_);
}

INT_PTR CCfgshiftDialog::Run(HWND parent) {
    return DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_CFGSHIFT_DIALOG), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CCfgshiftDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
        reinterpret_cast<CCfgshiftDialog*>(lParam)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<CCfgshiftDialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self)
        return FALSE;
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return TRUE;
    }
}

INT_PTR CCfgshiftDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit();
            return TRUE;
        case WM_PAINT:
            if (!IsIconic(hwnd_))
                return FALSE;
            OnPaintIconic();
            return TRUE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(bigIcon_);
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_CONVERT:
                    OnConvert();
                    return TRUE;
                case IDC_READ:
                    OnRead();
                    return TRUE;
                case IDOK:
                case IDCANCEL:
                    EndDialog(hwnd_, LOWORD(wParam));
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

void CCfgshiftDialog::OnInit() {
    bigIcon_ = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void CCfgshiftDialog::OnPaintIconic() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT rect;
    GetClientRect(hwnd_, &rect);
    int x = (rect.right - rect.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rect.bottom - rect.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, bigIcon_);
    EndPaint(hwnd_, &ps);
}

void CCfgshiftDialog::OnConvert() {
    static const char kFilter[] = "Rillpost Config File(*.ini)\0*.ini\0";
    std::string iniPath;
    if (!AskOpenFileName(hwnd_, "ini", "Rillpost.ini", kFilter, sizeof(kFilter), iniPath))
        return;
    const std::string xmlPath = cfgshift::XmlPathFor(iniPath);
    std::vector<std::string> leftOut;
    const cfgshift::ConvertResult result = cfgshift::ConvertFile(iniPath, xmlPath, &leftOut);
    const std::string text = cfgshift::DescribeResult(result, iniPath, xmlPath, leftOut);
    // A full success stays silent: the plug-in reads the new file at its next start.
    if (result != cfgshift::ConvertResult::kOk)
        MessageBoxA(hwnd_, text.c_str(), kTitle, MB_OK | MB_ICONERROR);
    else if (!leftOut.empty())
        MessageBoxA(hwnd_, text.c_str(), kTitle, MB_OK | MB_ICONWARNING);
}

void CCfgshiftDialog::OnRead() {
    static const char kFilter[] = "Rillpost Config File(*.xml)\0*.xml\0";
    std::string xmlPath;
    if (!AskOpenFileName(hwnd_, "xml", "Rillpost.xml", kFilter, sizeof(kFilter), xmlPath))
        return;
    for (const std::string& folderId : cfgshift::ReadFolderIds(xmlPath, kInspectedServerId))
        MessageBoxA(hwnd_, folderId.c_str(), kTitle, MB_OK);
}
