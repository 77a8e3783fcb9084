#pragma once
// Resource ids of quorlane.exe, shared by quorlane.rc and the C++ that loads the resources.
// Plain #defines: the resource compiler reads this file too.

#define IDI_QUORLANE 101
