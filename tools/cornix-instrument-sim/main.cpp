// cornix-instrument-sim: the instrument's controller on a pseudo-terminal, for
// demonstrations without the microscope. Prints the terminal's path, then reads
// one control command per line on standard input (see "help").
#include "InstrumentSimulator.h"

#include <iostream>
#include <sstream>
#include <string>

namespace {

const char *kHelp = R"(commands:
  press | release          joystick button notification ("J" / "K")
  hold MS                  press, and release after MS milliseconds
  version TEXT             version data sent before "<F>" (e.g. 01.00 25/12/2024)
  error CODE [PARAM]       answer every command with status CODE/PARAM
  noreply                  answer nothing
  garbled                  answer bytes that are not a reply
  slow MS                  answer correctly after MS milliseconds
  long [EXTRA]             answer the right status followed by EXTRA (default XYZ)
  reply TEXT               answer TEXT, scrambled
  normal                   answer as the instrument does
  log                      list the commands received so far
  quit                     stop
)";

void usage()
{
    std::cerr << "usage: cornix-instrument-sim [--link PATH] [--version TEXT] [--seed N]\n" << kHelp;
}

std::string restOf(std::istringstream &line)
{
    std::string rest;
    std::getline(line >> std::ws, rest);
    return rest;
}

bool handle(cornix::InstrumentSimulator &sim, const std::string &text)
{
    std::istringstream line(text);
    std::string word;
    line >> word;
    using Ms = cornix::InstrumentSimulator::Milliseconds;
    if (word.empty())
        return true;
    if (word == "quit" || word == "exit")
        return false;
    if (word == "press") {
        sim.pressButton();
    } else if (word == "release") {
        sim.releaseButton();
    } else if (word == "hold") {
        int ms = 1500;
        line >> ms;
        sim.holdButton(Ms(ms));
    } else if (word == "version") {
        sim.setVersionPayload(restOf(line));
    } else if (word == "error") {
        int code = 5, param = 0;
        line >> code >> param;
        sim.injectErrorCode(code, param);
    } else if (word == "noreply") {
        sim.injectNoReply();
    } else if (word == "garbled") {
        sim.injectGarbledReply();
    } else if (word == "slow") {
        int ms = 500;
        line >> ms;
        sim.injectSlowReply(Ms(ms));
    } else if (word == "long") {
        const std::string extra = restOf(line);
        sim.injectLongReply(extra.empty() ? "XYZ" : extra);
    } else if (word == "reply") {
        sim.injectReplyText(restOf(line));
    } else if (word == "normal") {
        sim.clearFaults();
    } else if (word == "log") {
        for (const auto &command : sim.commands())
            std::cout << command << '\n';
    } else {
        std::cout << kHelp;
        return true;
    }
    std::cout << "ok" << std::endl;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    cornix::InstrumentSimulator::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--link" && i + 1 < argc)
            options.linkPath = argv[++i];
        else if (arg == "--version" && i + 1 < argc)
            options.versionPayload = argv[++i];
        else if (arg == "--seed" && i + 1 < argc)
            options.seed = static_cast<std::uint32_t>(std::stoul(argv[++i]));
        else {
            usage();
            return arg == "--help" || arg == "-h" ? 0 : 2;
        }
    }
    cornix::InstrumentSimulator sim(options);
    std::string error;
    if (!sim.start(&error)) {
        std::cerr << "cornix-instrument-sim: " << error << '\n';
        return 1;
    }
    std::cout << "port: " << sim.portPath() << std::endl;
    std::string line;
    while (std::getline(std::cin, line) && handle(sim, line)) {
    }
    sim.stop();
    return 0;
}
