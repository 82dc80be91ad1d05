// orvane-jet-reader: reads a Jet 3 or Jet 4 database and writes its tables into a new
// SQLite file. It runs as a process of its own, so that whatever a damaged file does
// to the reading can never take the calling program down.
//
//   orvane-jet-reader [--configuration] SOURCE TARGET
//
// With --configuration the file must be an Orvane configuration, and TARGET becomes a
// configuration of the tool set's own format. Exit 0: TARGET is complete. Exit 1: the
// one line on standard output says what is wrong with SOURCE (TARGET is removed).
// Exit 2: wrong arguments. libmdb's own remarks go to standard error.
#include "JetDatabase.h"
#include "TargetDatabase.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace orvane::jetreader;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// A damaged file must not make the reader take the machine's memory or time.
void limitResources()
{
    const rlimit memory{1UL << 30, 1UL << 30};
    const rlimit cpu{60, 60};
    const rlimit core{0, 0};
    // AddressSanitizer reserves far more address space than the reader could ever use.
    if (!kAddressSanitizer)
        ::setrlimit(RLIMIT_AS, &memory);
    ::setrlimit(RLIMIT_CPU, &cpu);
    ::setrlimit(RLIMIT_CORE, &core);
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

void read(const std::string& source, const std::string& target, bool configuration)
{
    JetDatabase jet(source);
    const std::vector<std::string> tables = jet.tableNames();
    TargetDatabase copy(target, configuration);
    for (const std::string& needed : copy.configurationTables()) {
        if (std::none_of(tables.begin(), tables.end(), [&](const std::string& t) { return lower(t) == lower(needed); }))
            throw JetError("it has no table \"" + needed + "\", so it is no Orvane configuration");
    }
    for (const std::string& name : tables) {
        const auto table = jet.table(name);
        copy.copy(*table);
    }
    copy.commit();
}

} // namespace

int main(int argc, char** argv)
{
    limitResources();
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool configuration = !args.empty() && args.front() == "--configuration";
    if (configuration)
        args.erase(args.begin());
    if (args.size() != 2) {
        std::fputs("usage: orvane-jet-reader [--configuration] SOURCE TARGET\n", stderr);
        return 2;
    }
    // Standard output carries only the reason of a failure; whatever libmdb prints goes
    // to standard error.
    FILE* reasons = ::fdopen(::dup(STDOUT_FILENO), "w");
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    // Jet 3 keeps texts in the Windows code page; every text leaves the reader as UTF-8.
    ::setenv("MDBICONV", "UTF-8", 1);
    ::setenv("MDB_JET3_CHARSET", "CP1252", 1);
    try {
        read(args[0], args[1], configuration);
    } catch (const std::exception& e) {
        ::unlink(args[1].c_str());
        if (reasons)
            std::fprintf(reasons, "%s\n", e.what());
        return 1;
    }
    return 0;
}
