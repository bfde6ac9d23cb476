// The whole work of the updater: one straight run from the registry lookup to
// the final report, every interaction a modal message box.
#pragma once

// 0 when all six copies succeeded and the success box was shown, -1 otherwise.
int RunUpdate();
