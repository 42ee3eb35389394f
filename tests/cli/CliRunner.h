#pragma once

// Runs the built korvanix-cli with a fixed locale, standard input from /dev/null
// and standard output and error going to files (not a terminal).

#include "../document/TempFolder.h"

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace cli_test {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string Slurp(const std::string& path) {
    const auto bytes = korvanix::document::testing::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

inline Outcome RunCli(const std::vector<std::string>& args) {
    korvanix::document::testing::TempFolder folder;
    const std::string outPath = folder / "out";
    const std::string errPath = folder / "err";
    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(err, 2) < 0)
            ::_exit(126);
        ::setenv("LC_ALL", "C", 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(KORVANIX_CLI));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(KORVANIX_CLI, argv.data());
        ::_exit(127);
    }
    Outcome o;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return o;
    o.exitCode = WEXITSTATUS(status);
    o.out = Slurp(outPath);
    o.err = Slurp(errPath);
    return o;
}

} // namespace cli_test
