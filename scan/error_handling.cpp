#include "scan/error_handling.h"

#include <cstdlib>

#include "scan/error_log.h"
#include "scan/korvane.h"
#include "scan/progress.h"

namespace korvane {

void EndScan(Korvane& k) {
  Progress(k, progress::kComplete);
  k.platform.process->EndProcessNow();
  // EndProcessNow never returns; the compiler cannot see that through the interface.
  std::abort();
}

void TerminalFailure(Korvane& k, const std::string& errorText) {
  k.ctx.ErrorText = errorText;
  LogError(k, k.ctx.ErrorProcedure, k.ctx.ErrorContext + ":" + k.ctx.ErrorText);
  EndScan(k);
}

}  // namespace korvane
