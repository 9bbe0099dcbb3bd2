// Vardo: plays chess against a person at the console or an xboard interface on standard input
// and output.
#include <csignal>
#include <iostream>
#include <memory>
#include <string>

#include "engine/arguments.h"
#include "engine/bench_command.h"
#include "engine/engine.h"
#include "strong/network.h"
#include "support/standard_streams.h"

int main(int argc, char** argv) {
    vardo::UseBinaryStandardStreams();
    if (const auto status = vardo::AnswerBenchCommand(argc, argv, std::cout, std::cerr))
        return *status;
    vardo::EngineOptions options;
    if (const auto status = vardo::AnswerArguments(argc, argv, std::cout, std::cerr, options))
        return *status;
    if (!options.evalFile.empty()) {
        // Tried before the session starts, so that a wrong file is told at once.
        auto trial = std::make_unique<vardo::Network>();
        std::string why;
        if (!trial->LoadFile(options.evalFile, why)) {
            std::cerr << "vardo: --eval-file " << options.evalFile << ": " << why << '\n';
            return 2;
        }
    }
#ifdef SIGPIPE
    // An interface that closes our output must not kill us mid-line: writes then fail quietly,
    // and the end of input that follows ends the session as "quit" would.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    vardo::Engine engine(std::cin, std::cout, vardo::BOOK_FILE, vardo::LogFileName(), options);
    if (engine.HashMegabytes() != options.hashMegabytes)
        std::cerr << "vardo: "
                  << vardo::TableReducedText(options.hashMegabytes, engine.HashMegabytes()) << '\n';
    return engine.CommandLoop();
}
