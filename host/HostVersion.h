// The host version rule of binding, kept free of Win32 so that it is tested natively.
#pragma once

// True when a host that reports `version` may load the plug-ins. A host without BKA_SetStatus is
// accepted only when its version text is at most 7 characters and compares byte-wise lower than
// "2.00.06" (older hosts lacked that export); any host that exports it is accepted. A null version
// text counts as unknown and needs the export.
bool HostVersionAccepted(const char* version, bool hasSetStatus);
