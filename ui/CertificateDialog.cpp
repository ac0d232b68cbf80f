#include "ui/CertificateDialog.h"

#include "ui/DialogsRes.h"

CertificateDialog::CertificateDialog() : DialogBase(IDD_CERTIFICATE) {}

bool CertificateDialog::OnInit() {
    SetItemText(IDC_CERT_SERVER, "The news server \"" + server + "\" sent a certificate that did not pass the check:");
    SetItemText(IDC_CERT_PROBLEM, problem);
    SetItemText(IDC_CERT_SUBJECT, "Issued to: " + subject);
    SetItemText(IDC_CERT_FINGERPRINT, fingerprint);
    // Focus on Cancel, so that Enter never trusts by accident.
    SetFocus(Item(IDCANCEL));
    return false;
}

bool RunCertificateDialog(HWND parent,
                          const std::string& server,
                          const std::string& problem,
                          const std::string& fingerprint,
                          const std::string& subject) {
    CertificateDialog dialog;
    dialog.server = server;
    dialog.problem = problem;
    dialog.fingerprint = fingerprint;
    dialog.subject = subject;
    return dialog.Run(parent) == IDOK;
}
