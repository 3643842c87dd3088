// tkv88ctl copy: a program, or a run of its steps, from one configuration
// file into another, through the same clipboard notation and document edits
// as the GUI's copy and paste, so the refusals are the GUI's too.
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/ConfigInput.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/Output.h"
#include "document/ClipboardText.h"
#include "document/ConfigFile.h"
#include "document/Document.h"

namespace {

void refuse(const std::optional<std::string>& refusal) {
  if (refusal) throw Failure(*refusal);
}

int runCopy(const std::vector<std::string>& argv) {
  const Args args(argv, {"-o", "--output"});
  args.expectPositional(2, 2);
  const Place from = parsePlace(args.positional()[0]);
  const Place to = parsePlace(args.positional()[1]);
  if (to.lastStep != to.firstStep) throw UsageError("the destination is a program or one step, not a range");
  if (!from.firstStep && to.firstStep)
    throw UsageError("a program is copied over a program, not after a step");

  Document source;
  openConfiguration(source, from.file, "copy");
  const Program& program = programOf(source, from);
  Document target;
  openConfiguration(target, to.file, "copy");
  Program& destination = programOf(target, to);

  if (!from.firstStep) {
    const auto copied = cliptext::readProgram(cliptext::programText(program));
    refuse(target.replaceProgram(destination, *copied));
  } else {
    std::vector<const Step*> steps;
    for (int m = from.firstStep; m <= from.lastStep; ++m) {
      const Step* step = program.stepAt(m - 1);
      if (!step)
        throw Failure(from.file + ": program " + std::to_string(from.program) + " has no step " +
                      std::to_string(m));
      steps.push_back(step);
    }
    if (to.firstStep > destination.stepCount())
      throw Failure(to.file + ": program " + std::to_string(to.program) + " has no step " +
                    std::to_string(to.firstStep));
    const int position = to.firstStep ? to.firstStep + 1 : destination.stepCount() + 1;
    refuse(target.insertSteps(destination, position, cliptext::readSteps(cliptext::stepsText(steps))));
  }
  writeOutput(outputOption(args, to.file), target.text());
  return 0;
}

const CtlCommand::Registrar copyCommand(
    {"copy", "copy a program or steps from one configuration file into another",
     "Usage: tkv88ctl copy SRC:P<n> DST:P<k> [-o OUT]\n"
     "       tkv88ctl copy SRC:P<n>.S<m>[-S<j>] DST:P<k>[.S<i>] [-o OUT]\n"
     "Copies program n of SRC over program k of DST (its name, comparators,\n"
     "cycle start and steps), or steps m..j of program n into program k of DST:\n"
     "after its step i, or after its last step. Saves DST (or OUT; -o - writes to\n"
     "standard output). The values arrive exactly; the cycle start of program k\n"
     "keeps naming the same step. A copy that would give program k more steps\n"
     "than DST's memory partition allows is refused, saying how many fit, and\n"
     "nothing is saved.\n",
     runCopy});

}  // namespace
