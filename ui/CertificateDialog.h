// "Server certificate": a news server's certificate failed its check. The dialog names the
// server, the problems found, the certificate's name and its SHA-256 fingerprint, and lets the
// user trust that one certificate for that server. Cancel is the default: only an explicit
// click on "Trust this certificate" accepts it.
#pragma once

#include <string>

#include "ui/DialogBase.h"

class CertificateDialog : public DialogBase {
public:
    CertificateDialog();
    std::string server;
    std::string problem;
    std::string fingerprint;
    std::string subject;

private:
    bool OnInit() override;
};

// The seam that the plug-in's display calls (gRunCertificateDialog): runs the dialog modally over
// parent, from whichever thread asks (a worker's question is a modal box owned by the main
// window, as its messages are). True when the user trusts the certificate.
bool RunCertificateDialog(HWND parent,
                          const std::string& server,
                          const std::string& problem,
                          const std::string& fingerprint,
                          const std::string& subject);
