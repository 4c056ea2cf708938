// Small questions the console asks of the computer it runs on.
#pragma once

namespace korvane::console {

bool StandardOutputIsTerminal();
int TerminalColumns();  // 80 when unknown
unsigned ProcessorCount();

}  // namespace korvane::console
