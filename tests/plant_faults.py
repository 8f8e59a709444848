#!/usr/bin/env python3
"""Faults a user would feel, each a one-line edit, and the test that catches it.

Plants each fault in turn in the checkout, builds the test's program, runs the
test and puts the file back: every row must fail its test. A row whose text is
no longer in its file says so; mend the row with the code it follows.

usage: tests/plant_faults.py [build folder (build)] [row name ...]
"""
import pathlib
import subprocess
import sys

# name, file, text, planted text, test program, test (ctest -R)
ROWS = [
    ("seal edge beside black made paper", "engine/src/prepare/Seals.cpp",
     "|| besideBlack(x, y))", "|| (false && besideBlack(x, y)))",  # kept in use for -Werror
     "engine_test_prepare_noise", "SealTest.BlackCrossingASealKeepsItsEdges"),
    ("seals dropped before the sheet is found", "engine/src/prepare/PreparePage.cpp",
     "const std::optional<Sheet> sheet = FindSheet(grey.get());\n"
     "    const bool sealed = DropSeals(grey.get(), page);",
     "const bool sealed = DropSeals(grey.get(), page);\n"
     "    const std::optional<Sheet> sheet = FindSheet(grey.get());",
     "engine_test_prepare_noise", "SealTest.ADeskOfASealsHueIsNoSeal"),
    ("katakana 一 before a digit made ー", "engine/src/ocr/JapaneseFixes.cpp",
     "!IsJapanese(after) && !IsDigit(after)", "!IsJapanese(after)",
     "engine_test_ocr_text_fixes", "JapaneseFixes.OnlyCertainConfusionsAreFixed"),
    ("second look keeping the less sure reading", "engine/src/ocr/Recognizer.cpp",
     "Weakest(*again) <= Weakest(line)", "Weakest(*again) >= Weakest(line)",
     "engine_test_ocr_capture", "CaptureTest.DegradedPagesReadTheirWords"),
    ("turn held not counted as busy", "src/run/LockedTurnQueue.cpp",
     'name.rfind(kTicketPrefix, 0) != 0 && name.rfind("turn-", 0) != 0',
     "name.rfind(kTicketPrefix, 0) != 0", "run_unit_tests",
     "LockedTurnQueue.OnePlaceGoesInOrder"),
    ("network shared with LibreOffice", "engine/src/print/OfficeSandbox.cpp",
     '"--unshare-all",', '"--unshare-all", "--share-net",', "engine_test_appprint_worker",
     "OfficeSandbox.AProgramInsideCannotConnect"),
    ("text layer drawn visibly", "engine/src/ocr/TextLayer.cpp", "3 Tr", "0 Tr",
     "engine_test_ocr_layer", "TextLayer.DrawsNothingOnThePage"),
    ("table under a title read column by column", "engine/src/layout/XyCut.cpp",
     "columns.size() > 1 && !AnyVertical", "false && !AnyVertical", "engine_test_ocr_layout",
     "PriceListUnderTitleRowByRow"),
    ("a spread's headings read before its pages", "engine/src/ocr/TextLayer.cpp",
     "kMaxSizePerSpacing = 1.6", "kMaxSizePerSpacing = 0", "engine_test_ocr_layout",
     "SpreadPageAfterPage"),
    ("an addressee read before the date over it", "engine/src/ocr/TextLayer.cpp",
     "bottom > b.bottom - size) return i", "bottom > b.bottom - size) return end",
     "engine_test_ocr_layout", "DateBeforeAddressee"),
    ("a date over the addressee read after the letter", "engine/src/layout/XyCut.cpp",
     "lead > 0 && lead < right.size()", "false && lead < right.size()",
     "engine_test_ocr_layout", "DateUnderTitleFirst"),
    ("quote closed before the name placeholder", "src/run/OutputTarget.cpp",
     "if (open == 0 && (c == '\"' || c == '\\''))", "if (c == '\"' || c == '\\'')",
     "run_unit_tests", "ComposeOutputName.QuotesAndLettersOfTheSourceNameStay"),
    ("a stop as LibreOffice finishes ends in a deletion", "src/run/PrintMonitor.cpp",
     "if (StopAsked()) {", "if (false) {", "run_unit_tests",
     "Outcome.ASignalAtAnyMomentBeforeTheDeletionKeepsTheSource"),
    ("blank pages of a file with content taken for a print", "engine/src/print/AppPrintJob.cpp",
     "if (holdsContent_ && !AnyPageInked", "if (false && !AnyPageInked",
     "engine_test_appprint_worker", "AppPrintWorker.BlankPagesOfAFileThatHoldsContentAreRefused"),
    ("a page without visible area read", "engine/src/ocr/DocumentOcr.cpp",
     "width >= 1.0 && height >= 1.0", "width >= 0.0 && height >= 0.0",
     "engine_test_ocr_errors", "OcrErrors.OddPagesNeverCrash"),
]


def run(args):
    return subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    build = sys.argv[1] if len(sys.argv) > 1 else str(root / "build")
    only = sys.argv[2:]
    missed = 0
    for name, file, text, planted, program, test in ROWS:
        if only and name not in only:
            continue
        path = root / file
        original = path.read_text()
        if original.count(text) != 1:
            print(f"MOVED   {name}: the text is not once in {file}")
            missed += 1
            continue
        try:
            path.write_text(original.replace(text, planted))
            built = run(["cmake", "--build", build, "--target", program]) == 0
            caught = built and run(["ctest", "--test-dir", build, "-R", test]) != 0
        finally:
            path.write_text(original)
            run(["cmake", "--build", build, "--target", program])
        print(f"{'caught' if caught else 'MISSED' if built else 'NOBUILD'} {name} ({test})")
        missed += not caught
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
