// "kvtool archive": list, show, pack and extract text archives, so teachers
// can make archives from plain text files and check what is inside one.
#pragma once

namespace CLI {
class App;
}

namespace kv::tool {

void addArchiveCommands(CLI::App& app);
// "archive print", added to the archive command.
void addPrintCommand(CLI::App& archive);

}  // namespace kv::tool
