#!/usr/bin/env bash
# Runs qm-gramc as a user would and checks exit codes, files and messages.
#   gramc_cli_test.sh QM-GRAMC [EMULATOR...]
# With an emulator (the Windows build under Wine) every call goes through it.
set -u
gramc=$1
shift
emulator=("$@")
# One display for all calls: Wine wants one, and a display per call is slow.
if [ ${#emulator[@]} -gt 0 ] && [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$gramc" "${emulator[@]}"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
passed=0
failed=0

# call STDIN ARGS...: STDIN is a printf %b text; stdout and stderr land in out.txt and
# err.txt without carriage returns (a Windows console program writes CR LF).
call() {
    local input=$1
    shift
    printf '%b' "$input" | "${emulator[@]}" "$gramc" "$@" >out.raw 2>err.raw
    status=$?
    tr -d '\r' <out.raw >out.txt
    tr -d '\r' <err.raw >err.txt
}

check() {
    if eval "$2"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $1 [$2] (exit status $status)"
        sed 's/^/  stdout: /' out.txt
        sed 's/^/  stderr: /' err.txt
    fi
}

has_line() { grep -qxF -- "$2" "$1"; }
size_of() { wc -c <"$1" | tr -d ' '; }

printf '\0\0\0\0\0\0\0\0\4\0\0\0\24\0\0\0\24\0\0\0\1\0\0\0builtin1\0\0\0\0' >builtin.bin
printf '\2\0\0\0\44\0\0\0\20\0\0\0\1\0\0\0Show\0\0\0\0\24\0\0\0\2\0\0\0Quillmoor\0\0\0' >>builtin.bin
printf '\3\0\0\0\50\0\0\0\50\0\0\0\1\0\0\0' >>builtin.bin
printf '\1\0\0\0\1\0\0\0\3\0\0\0\1\0\0\0\3\0\0\0\2\0\0\0\2\0\0\0\1\0\0\0' >>builtin.bin
builtin='<builtin1> exported = Show Quillmoor;\n'
tail='\n\nPress OK to skip the line and continue the parse.\n(But the grammar will likely be incomplete.)\n\nPress Cancel to break the parse and edit and the grammar.'

call "$builtin" -o x.bin -
check "built-in command compiles" '[ $status -eq 0 ] && [ ! -s out.txt ] && [ ! -s err.txt ]'
check "built-in command packs to the known 128 bytes" 'cmp -s x.bin builtin.bin && [ "$(size_of x.bin)" = 128 ]'

call '<a> = x\n<b> = y;\n' -o skip.bin -
check "syntax error is skipped by default" '[ $status -eq 0 ] && [ "$(size_of skip.bin)" -gt 8 ]'
check "syntax error box is one escaped line" \
    'has_line err.txt "[Syntax Error] Missing line terminator '"';'"' in line 1:\n\n>> <a> = x$tail" && [ $(wc -l <err.txt) -eq 1 ]'

call '<a> = x\n<b> = y;\n' --on-syntax-error=cancel -o cancel.bin -
check "cancel keeps only the rules before the line" '[ $status -eq 0 ] && [ "$(size_of cancel.bin)" = 8 ]'

call '<a> = x;\r\n\t<b> = y;\n' -
check "input is read as bytes, CR and TAB escaped" \
    'grep -qF ">> <a> = x;\r$tail" err.txt && grep -qF "in line 2:\n\n>> \t<b> = y;" err.txt'

rm -f dup.bin
call '<a> = x;\n<a> = y;\n' -o dup.bin -
check "duplicate rule fails without output file" '[ $status -eq 1 ] && [ ! -e dup.bin ]'
check "duplicate rule box and log line" \
    'has_line err.txt "[Error] rulename has already been defined" && has_line out.txt "ParseRules() failed. Compile terminated."'

call '<a> = "x;\n' -
check "unclosed quote shows two boxes and fails" \
    '[ $status -eq 1 ] && [ "$(cat err.txt)" = "$(printf "[Error] Missing closing double quote!\n[Error] empty word name")" ]'

call "$builtin" --dump -o x.bin -
check "dump lists the tables on stdout" \
    '[ $status -eq 0 ] && [ "$(head -n 1 out.txt)" = "Dumping GramParser Object ..." ] && has_line out.txt "   Quillmoor 2"'
check "dump writes outputTest.bin in the current folder" \
    'has_line out.txt "Packed bytes written to outputTest.bin" && cmp -s outputTest.bin builtin.bin'

printf '%b' "$builtin" >grammar.txt
call '' grammar.txt -o file.bin
check "a file name as input" '[ $status -eq 0 ] && cmp -s file.bin builtin.bin'

call ''
check "no input is a usage error" '[ $status -eq 2 ] && grep -q "no input" err.txt'
call '' missing-grammar.txt
check "a missing input file is named" '[ $status -eq 2 ] && grep -q "missing-grammar.txt" err.txt'
call '' --on-syntax-error=maybe -
check "an unknown answer is a usage error" '[ $status -eq 2 ] && grep -q "maybe" err.txt'
call "$builtin" -o no-such-folder/x.bin -
check "an unwritable output file is named" '[ $status -eq 2 ] && grep -q "no-such-folder/x.bin" err.txt'

call '' --decode builtin.bin
check "decode lists a well-formed grammar" \
    '[ $status -eq 0 ] && grep -q "word 2 \"Quillmoor\"" out.txt && grep -q "start sequence" out.txt && has_line out.txt "well-formed"'
head -c 50 builtin.bin >truncated.bin
call '' --decode truncated.bin
check "decode reports a malformed grammar" '[ $status -eq 1 ] && grep -q "^malformed: " out.txt'

# --try: the lines themselves are checked in phrase_trial_test.cpp; here the command line.
printf '<Colour> = {Colour};\n<1> exported = paint it <Colour>;\n' >paint.gram
call '' --try "paint it Deep Blue" --list Colour=Red,Deep\ Blue paint.gram
check "a recognised phrase prints the result lines" \
    '[ $status -eq 0 ] && [ "$(cat out.txt)" = "$(printf ">> paint it Deep Blue <<\nRule 2: paint; dwWordNum: 1\nRule 2: it; dwWordNum: 2\nRule 1: Deep Blue; dwWordNum: 0\nLists: <_arg1 = Deep Blue> ")" ]'
call '' --try "paint it Red" --try "paint it green" --list Colour=Red paint.gram
check "a phrase not recognised gives status 1 and tells how far it got" \
    '[ $status -eq 1 ] && has_line out.txt "not recognised: paint it green" && grep -q "follow 2 of 3 words" out.txt'
call '' -o paint.bin paint.gram
call '' --binary --try "paint it red" --list Colour=Red paint.bin
check "--binary tries a binary grammar file" '[ $status -eq 0 ] && has_line out.txt ">> paint it Red <<"'
call '<1> exported = hello;\n' --try hello -
check "--try reads the grammar from stdin" '[ $status -eq 0 ] && has_line out.txt "Rule 1: hello; dwWordNum: 1"'
call '' --try "paint it Red" --list Shade=Red paint.gram
check "a list the grammar lacks is a usage error" '[ $status -eq 2 ] && grep -q "no list named \"Shade\"" err.txt'
call '' --try "paint it Red" --list Colour paint.gram
check "--list without = is a usage error" '[ $status -eq 2 ] && grep -q "NAME=VALUE" err.txt'
call '' --list Colour=Red paint.gram
check "--list without --try is a usage error" '[ $status -eq 2 ]'
call '<1> exported = <2>;\n' --try hello -
check "a grammar the recogniser refuses is not recognised" '[ $status -eq 1 ] && grep -q "refuses the grammar" err.txt'
call '' --help
check "--help shows the --try form" '[ $status -eq 0 ] && grep -q -- "--try PHRASE" out.txt'

# --phrases and --conflicts: what they find is checked in grammar_analysis_test.cpp; here
# the lines, the exit codes and the messages.
printf '<Colour> = {Colour};\n<Paint> exported = paint <Colour> [ now ];\n<Stop> exported = stop;\n' >colour.gram
printf '<1> exported = paint Red | halt;\n' >other.gram
call '' --phrases --list Colour=Red,Blue --max 3 colour.gram
check "--phrases prints a heading per rule and what is left" \
    '[ $status -eq 0 ] && [ "$(cat out.txt)" = "$(printf "<Paint>:\npaint Red\npaint Blue\npaint Red now\n... 1 more (4 in all)\n<Stop>:\nstop")" ]'
call '' --phrases colour.gram
check "--phrases shows a list without entries in place" '[ $status -eq 0 ] && has_line out.txt "paint {Colour} now"'
call '' --conflicts colour.gram other.gram
check "--conflicts names both rules and files and exits 1" \
    '[ $status -eq 1 ] && [ "$(cat out.txt)" = "conflict: <Paint> (colour.gram) and <1> (other.gram): \"paint Red\"" ]'
call '' --conflicts --list Colour=Blue colour.gram other.gram
check "--conflicts without a conflict exits 0 silently" '[ $status -eq 0 ] && [ ! -s out.txt ]'
call '' --conflicts --list Colour= colour.gram
check "a rule that accepts no phrase counts as a conflict" \
    '[ $status -eq 1 ] && has_line out.txt "unreachable: <Paint> (colour.gram)"'
call '<a> = "x;\n' --conflicts colour.gram -
check "--conflicts: a grammar that does not compile exits 2 with the compiler's boxes" \
    '[ $status -eq 2 ] && has_line err.txt "[Error] Missing closing double quote!" && [ ! -s out.txt ]'
call '<a> exported = x\n<b> exported = y;\n' --phrases -
check "--phrases: a skipped syntax error shows its box, the rest is listed" \
    '[ $status -eq 0 ] && grep -q "^\[Syntax Error\] Missing line terminator" err.txt && [ "$(cat out.txt)" = "$(printf "<b>:\ny")" ]'
call '<a> = "x;\n' --phrases -
check "--phrases: a grammar that does not compile exits 1" '[ $status -eq 1 ] && grep -q "does not compile" err.txt'
call '' --conflicts colour.gram missing-grammar.txt
check "--conflicts: a missing file exits 2 and is named" '[ $status -eq 2 ] && grep -q "missing-grammar.txt" err.txt'
call '' --phrases --max many colour.gram
check "--max takes a number" '[ $status -eq 2 ] && grep -q "many" err.txt'
call '' --max 3 colour.gram
check "--max needs --phrases" '[ $status -eq 2 ] && grep -q -- "--max needs --phrases" err.txt'
call '' --phrases colour.gram other.gram
check "--phrases takes one input" '[ $status -eq 2 ] && grep -q "more than one input" err.txt'
call '' --conflicts --list Shade=Red colour.gram
check "--conflicts: a list no grammar has is a usage error" '[ $status -eq 2 ] && grep -q "no list named \"Shade\"" err.txt'
call '' -o colour.bin colour.gram
call '' --binary --phrases colour.bin
check "--binary --phrases reads a binary grammar file" '[ $status -eq 0 ] && has_line out.txt "<Stop>:"'
call '' --help
check "--help shows --phrases and --conflicts" '[ $status -eq 0 ] && grep -q -- "--phrases \[--max N\]" out.txt && grep -q -- "--conflicts \[" out.txt'

echo "gramc_cli: $passed passed, $failed failed"
[ $failed -eq 0 ]
