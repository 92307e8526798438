#!/usr/bin/env bash
# Writes the binary grammar files that the "Load From Binary" scenario picks in the Open
# dialog, into the current folder (where the scenario's natspeak.exe starts):
#   outputTest.bin  the compiler's debug copy of test command 1
#   other_rule.bin  a grammar whose only rule is named "2"
#   try_switch.bin  the grammar of the --try scenario (kSwitchGrammar of phrase_trial_test.cpp)
#   empty.bin, garbage.bin  a file of no bytes, and bytes that are no grammar
#   make-grammar-files.sh QM-GRAMC.exe
set -eu
here=$(cd "$(dirname "$0")" && pwd)
gramc=$1
printf '<1> exported = Test 1;\n' > test_command_1.gram
printf '<2> exported = Other Rule;\n' > other_rule.gram
QUILLMOOR_DUMP_DIR= "$here/../../cmake/wine-run.sh" "$gramc" --dump -o test_command_1.bin test_command_1.gram
"$here/../../cmake/wine-run.sh" "$gramc" -o other_rule.bin other_rule.gram
printf '<OnOff> = {OnOff};\n<dgndictation> imported;\n<1> exported = switch <OnOff> [ please ] | note <dgndictation> [ done ] | lights {OnOff} {OnOff};\n' > try_switch.gram
"$here/../../cmake/wine-run.sh" "$gramc" -o try_switch.bin try_switch.gram
: > empty.bin
printf 'not a grammar at all' > garbage.bin
test -s outputTest.bin && test -s other_rule.bin && test -s try_switch.bin
