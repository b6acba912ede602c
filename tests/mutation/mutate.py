#!/usr/bin/env python3
"""Applies one deliberate fault at a time to src/, rebuilds the 64-bit build,
runs the tests of the fault's area under Wine and puts the source back.

Run through tests/mutation/run.sh, which prepares the build and Wine.
Arguments: mutant names to run (default: all); --check only proves that every
mutant applies. First the chosen mutants' tests run unmutated: a test that
fails there is left out. A mutant is killed when one of the others fails, by
an assertion, a crash or a timeout; the line names that test. A build or a
test run that fails without running a test (Wine, the prefix) is tried once
more and otherwise counted as not judged, never as killed. Exits 1 when a
mutant's text cannot be found or the unmutated source does not build.
"""
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("QX_MUTATION_BUILD", os.path.join(ROOT, "build", "x86_64"))

# The tests of each area (ctest -R); the fuzz batches and the installer
# stay out.
AREAS = {
    "host": "LoadSequenceTest|MdiPlacementTest|ReportFailureTest|UnloadInHostTest|ExtensionInHostTest|"
            "BarOnScreenTest|RobustnessTest|Phases/FaultCaseTest",
    "settings": "SettingsFileTest|ProfileImageTest|PopupOptionsTest|PopupInHostTest|"
                "DialogsInHostTest.BarOptions",
    "bar": "ButtonListTest|BarMouseTest|BarClickTest|LayoutTest|RunButtonTest|ProgramButtonTest|"
           "BarOnScreenTest|RobustnessTest",
    "dialogs": "MenuListTest|DialogsInHostTest|ChooseIconTest|PopupOptionsTest",
}

# name, file under src/, area, text as it stands, text with the fault. The
# text must stand exactly once in the file.
MUTANTS = [
    # host
    ("save-now-clears-after-failure", "host/entry.cpp", "host",
     "if (SaveSettings()) extState.saveState = SAVE_NOTHING;",
     "SaveSettings();\n      extState.saveState = SAVE_NOTHING;"),
    ("bar-off-posted-before-delta", "host/entry.cpp", "host",
     "if (extState.barOn == 0 && extState.menuDeltaKnown)", "if (extState.barOn == 0)"),
    ("bar-off-offers-off-again", "host/entry.cpp", "host",
     "{MF_GRAYED, IDS_BAR_ON, CMD_BAR_ON, 0, 1, 2}", "{MF_GRAYED, IDS_BAR_ON, CMD_BAR_OFF, 0, 1, 2}"),
    ("unload-saves-when-never", "host/lifecycle.cpp", "host",
     "if (extState.saveState == SAVE_AT_UNLOAD) SaveSettings();",
     "if (extState.saveState == SAVE_NEVER) SaveSettings();"),
    ("mdi-procedure-not-given-back", "host/lifecycle.cpp", "host",
     "    SetWindowLongPtrA(extState.mdiClientWindow, GWLP_WNDPROC,\n"
     "                      reinterpret_cast<LONG_PTR>(extState.savedMdiClientProc));",
     "    (void)0;"),
    ("brush-leaks-at-class-failure", "host/lifecycle.cpp", "host",
     "    DeleteObject(extState.barBrush);\n    extState.barBrush = nullptr;",
     "    extState.barBrush = nullptr;"),
    ("mdi-client-one-pixel-high", "host/mdi_layout.cpp", "host",
     "place->y += height + 1;", "place->y += height;"),
    ("tree-height-ignores-its-top", "host/mdi_layout.cpp", "host",
     "height = inside.bottom - top;", "height = inside.bottom;"),
    ("report-step-off-by-one", "host/report.cpp", "host",
     'wsprintfA(number, "%d", step);', 'wsprintfA(number, "%d", step + 1);'),
    ("report-icon-wrong", "host/report.cpp", "host",
     "MB_TASKMODAL | MB_ICONHAND", "MB_TASKMODAL | MB_ICONEXCLAMATION"),
    ("dialog-class-kept-at-unload", "host/lifecycle.cpp", "host",
     'if (extState.fileManagerInstance) UnregisterClassA("#32770", extState.fileManagerInstance);',
     ""),
    ("delete-box-not-answered", "host/delete_bypass.cpp", "bar",
     "if (PostMessageA(window, WM_COMMAND, IDOK, 0))", "if (false)"),
    # settings
    ("zero-delay-taken-for-default", "settings/settings.cpp", "settings",
     "s.popupDelay = v < 0 ? 500 : v;", "s.popupDelay = v <= 0 ? 500 : v;"),
    ("default-delay-written", "settings/settings.cpp", "settings",
     "if (s.popupDelay != 500 &&", "if (s.popupDelay != 400 &&"),
    ("colour-255-refused", "settings/settings.cpp", "settings",
     "return uint32_t(value) > 255 ? fallback : uint32_t(value);",
     "return uint32_t(value) >= 255 ? fallback : uint32_t(value);"),
    ("maximised-mode-dropped", "settings/settings.cpp", "settings",
     "(displayMode == 3 || displayMode == 7) ? displayMode : 1", "(displayMode == 3) ? displayMode : 1"),
    ("failed-save-step-goes-on", "settings/settings_store.cpp", "settings",
     "    if (!run(job)) return false;", "    run(job);"),
    ("backup-named-wrong", "settings/settings_store.cpp", "settings",
     'WithEnding(path, "NEW"), WithEnding(path, "BAK"), &bytes};',
     'WithEnding(path, "NEW"), WithEnding(path, "BAQ"), &bytes};'),
    ("font-height-floor-dropped", "settings/settings.cpp", "settings",
     "font.lfHeight = (v > 16384 || v < -16384) ? 15 : v;", "font.lfHeight = (v > 16384) ? 15 : v;"),
    ("bar-height-not-limited", "settings/settings.cpp", "settings",
     "s.barHeight = v > screenHeight ? s.defaultBarHeight : v;", "s.barHeight = v;"),
    ("count-written-one-short", "settings/settings.cpp", "settings",
     "out.writeNumber(IDS_KEY_NUMBER_OF_ICONS, s.buttonCount)",
     "out.writeNumber(IDS_KEY_NUMBER_OF_ICONS, s.buttonCount - 1)"),
    ("single-quotes-kept", "settings/profile_image.cpp", "settings",
     "(value[0] == L'\"' || value[0] == L'\\'')", "(value[0] == L'\"')"),
    ("popup-below-touches-bar", "settings/popup.cpp", "settings",
     "barRect.top - 1 : barRect.bottom + 1;", "barRect.top - 1 : barRect.bottom;"),
    ("bad-delay-accepted", "settings/popup_options.cpp", "settings",
     "PointAtControl(dialog, 0, GetDlgItem(dialog, IDC_POPUP_DELAY));\n    return FALSE;",
     "PointAtControl(dialog, 0, GetDlgItem(dialog, IDC_POPUP_DELAY));"),
    ("icon-frame-choice-ignored", "settings/bar_options.cpp", "settings",
     "    s.iconsFramed = iconsFramed;", "    s.iconsFramed = !iconsFramed;"),
    # bar
    ("top-position-misplaced", "bar/bar_layout.cpp", "bar",
     "iconTop = s.iconsFramed ? 3 * barMetric(SM_CYBORDER) : 0;",
     "iconTop = s.iconsFramed ? 2 * barMetric(SM_CYBORDER) : 0;"),
    ("first-icon-left-off", "bar/bar_layout.cpp", "bar",
     "firstIconLeft = 3 * barMetric(SM_CXBORDER);", "firstIconLeft = 2 * barMetric(SM_CXBORDER);"),
    ("negative-gap-rounded-up", "bar/bar_layout.cpp", "bar",
     "if (gapValue < 0.0f) gapValue -= 0.5f;", "if (gapValue < 0.0f) gapValue += 0.5f;"),
    ("icon-frame-one-wider", "bar/bar_layout.cpp", "bar",
     "rect->right + 2, rect->bottom + 2};", "rect->right + 3, rect->bottom + 2};"),
    ("resource-name-seven-long", "bar/buttons.cpp", "bar",
     "if (strlen(text) > 8) text[8] = '\\0';", "if (strlen(text) > 7) text[7] = '\\0';"),
    ("delete-icon-name-plain", "bar/buttons.cpp", "bar",
     'lstrcpyA(text, "DEL?ETE");', 'lstrcpyA(text, "DELETE");'),
    ("texts-left-locked", "bar/buttons.cpp", "bar",
     "    if (UnlockLeavesLocked(block))\n      ReportFailure(IDS_TAG_QXUNLST, IDS_OP_LOCALUNLOCK, field.step + 1);",
     ""),
    ("walk-leaves-record-locked", "bar/buttons.cpp", "bar",
     "      predecessor = handle;\n      LocalUnlock(handle);", "      predecessor = handle;"),
    ("edge-press-hits", "bar/bar_window.cpp", "bar",
     "if (record->left < x && x < record->right", "if (record->left <= x && x < record->right"),
    ("count-falls-without-delete", "bar/bar_window.cpp", "bar",
     "  if (!buttonDeleted) return;\n", ""),
    ("locked-record-offered", "bar/bar_window.cpp", "bar",
     "currentButton = (LocalFlags(handle) & LMEM_LOCKCOUNT) ? nullptr : handle;",
     "currentButton = handle;"),
    ("blank-names-unquoted", "bar/run_button.cpp", "bar",
     'if (batchRun || wcspbrk(name, L" \\t")) {', "if (batchRun) {"),
    ("single-file-not-passed", "bar/run_button.cpp", "bar",
     "if (count == 1 && (record->flags & BF_PASS_FILES)) AppendSelectedFile(0);",
     "if (count == 1 && (record->flags & BF_MULTIPLE_FILES)) AppendSelectedFile(0);"),
    ("batch-without-slash-c", "bar/run_button.cpp", "bar",
     'L" /D /V:OFF /S /C \\"";', 'L" /D /V:OFF /S \\"";'),
    ("required-file-rule-reversed", "bar/run_button.cpp", "bar",
     "if (count == 0 && (record->flags & BF_REQUIRES_FILE))",
     "if (count == 0 && !(record->flags & BF_REQUIRES_FILE))"),
    ("command-line-of-260", "bar/run_button.cpp", "bar",
     "constexpr size_t kCommandLineSize = 32767;", "constexpr size_t kCommandLineSize = 260;"),
    ("move-halves-reversed", "bar/move.cpp", "bar",
     "if (x >= record->left + (record->right - record->left) / 2) hitButton = record;",
     "if (x < record->left + (record->right - record->left) / 2) hitButton = record;"),
    ("last-button-kept-after-move", "bar/move.cpp", "bar",
     "if (!record->next) lastButton = currentButton;", ""),
    ("single-button-moves", "bar/move.cpp", "bar",
     "if (barSettings.buttonCount < 2 || moveMode) return;", "if (moveMode) return;"),
    # dialogs
    ("ampersand-kept-in-menu-list", "dialogs/menu_list.cpp", "dialogs",
     "if (char* ampersand = strchr(text, '&')) memmove(ampersand, ampersand + 1, strlen(ampersand));",
     ""),
    ("menu-list-stops-at-separator", "dialogs/menu_list.cpp", "dialogs",
     "if (command == 0) continue;", "if (command == 0) return;"),
    ("delete-answer-ignored", "dialogs/button_dialog.cpp", "dialogs",
     "if (state.deleteAnswer == IDYES) extState.deleteWarning = 0;", ""),
    ("multiple-files-not-shown", "dialogs/button_dialog.cpp", "dialogs",
     "if (record->flags & BF_MULTIPLE_FILES) CheckDlgButton(dialog, IDC_MULTIPLE_FILES, BST_CHECKED);",
     ""),
    ("icon-strip-runs-past-end", "dialogs/choose_icon.cpp", "dialogs",
     "if (index < iconCount - 1) next = index + 1;", "if (index < iconCount) next = index + 1;"),
    ("all-130-icons-offered", "dialogs/choose_icon.cpp", "dialogs",
     "offered = kIconTableSize - 1;", "offered = kIconTableSize;"),
    ("colour-chooser-not-full", "dialogs/dialog_helpers.cpp", "dialogs",
     "block.Flags = CC_FULLOPEN;", "block.Flags = 0;"),
    # resources
    ("count-key-misspelt", "resources/strings.rc", "settings",
     'IDS_KEY_NUMBER_OF_ICONS "Number of Icons"', 'IDS_KEY_NUMBER_OF_ICONS "Number of Icon"'),
    ("report-without-stop", "resources/strings.rc", "host",
     'IDS_REPORT_FAILED " failed."', 'IDS_REPORT_FAILED " failed"'),
    ("version-wrong", "resources/strings.rc", "dialogs",
     'IDS_VERSION "1.1"', 'IDS_VERSION "1.0"'),
    ("display-modes-join-file-choice", "resources/edit_dialogs.rc", "dialogs",
     'CONTROL "Normal", 1015, "button", QX_RADIO | WS_GROUP,', 'CONTROL "Normal", 1015, "button", QX_RADIO,'),
    ("menu-items-swapped", "resources/menus.rc", "host",
     '    MENUITEM "&Menu Item", CMD_MENU_BUTTON\n    MENUITEM "&Program Item", CMD_PROGRAM_BUTTON',
     '    MENUITEM "&Menu Item", CMD_PROGRAM_BUTTON\n    MENUITEM "&Program Item", CMD_MENU_BUTTON'),
    # Added with the drop path, the popup watch, Help, the OEM names, Choose
    # Icon's click, the save's failure steps, the batch quoting and the
    # settings protection. The sixth field narrows the tests run (ctest -R).
    ("drop-runs-nothing", "bar/bar_window.cpp", "bar",
     "      RunDroppedFiles(record, drop);", "      (void)record;", "ProgramButtonTest"),
    ("drop-passes-the-selection", "bar/run_button.cpp", "bar",
     "if (droppedFiles) return static_cast<int>", "if (false) return static_cast<int>",
     "ProgramButtonTest"),
    ("drop-while-dialog-up", "bar/bar_window.cpp", "bar",
     "listReady && IsWindowEnabled(extState.frameWindow) &&", "listReady &&",
     "ProgramButtonTest|BarInHostTest"),
    ("popup-watch-idle", "settings/popup.cpp", "settings",
     "  if (!PointerRestsOnBar(bar)) TearDownPopup();", "  (void)bar;", "PopupInHostTest"),
    ("popup-stays-when-inactive", "settings/popup.cpp", "settings",
     "return GetActiveWindow() == extState.frameWindow && GetCursorPos(&cursor) &&",
     "return GetCursorPos(&cursor) &&", "PopupInHostTest"),
    ("help-without-section", "host/help.cpp", "dialogs",
     'return url + "#" + section;', "return url;", "DialogsInHostTest.Help"),
    ("help-section-misspelt", "host/help.cpp", "dialogs",
     'return "bar-options";', 'return "bar-option";', "DialogsInHostTest.Help"),
    ("help-beside-the-program", "host/help.cpp", "dialogs",
     "GetModuleFileNameA(extState.instance, guide, MAX_PATH)",
     "GetModuleFileNameA(nullptr, guide, MAX_PATH)", "DialogsInHostTest.Help"),
    ("oem-names-not-read", "bar/run_button.cpp", "bar",
     "  ReadOemNameIfOnlyThatExists(narrow.szName);\n", "", "ProgramButtonTest|RunButtonTest"),
    ("icon-click-picks-next", "dialogs/choose_icon.cpp", "dialogs",
     "const int hit = buttonDialog.chosenIconIndex + k;",
     "const int hit = buttonDialog.chosenIconIndex + k + 1;", "ChooseIconTest"),
    ("icon-click-leaves-pointer", "dialogs/choose_icon.cpp", "dialogs",
     "    const int hit = buttonDialog.chosenIconIndex + k;\n    PointAtControl(dialog, IDOK, nullptr);",
     "    const int hit = buttonDialog.chosenIconIndex + k;", "ChooseIconTest"),
    ("save-flush-skipped", "settings/settings_store.cpp", "settings",
     "  else if (!FlushFileBuffers(file))\n    failedStep = kStepFlushNew;\n", "",
     "SettingsFileTest"),
    ("save-close-failure-ignored", "settings/settings_store.cpp", "settings",
     "if (!CloseHandle(file) && !failedStep) failedStep = kStepCloseNew;", "CloseHandle(file);",
     "SettingsFileTest"),
    ("save-copy-failure-ignored", "settings/settings_store.cpp", "settings",
     "  ReportFailure(IDS_TAG_QXSAVE, IDS_OP_COPY_BACKUP, kStepCopyBackup);\n"
     "  DeleteFileA(job.newPath.c_str());\n  return false;", "  return true;", "SettingsFileTest"),
    ("save-new-left-after-failed-move", "settings/settings_store.cpp", "settings",
     "  ReportFailure(IDS_TAG_QXSAVE, IDS_OP_REPLACE_SETTINGS, kStepReplace);\n"
     "  DeleteFileA(job.newPath.c_str());",
     "  ReportFailure(IDS_TAG_QXSAVE, IDS_OP_REPLACE_SETTINGS, kStepReplace);",
     "SettingsFileTest"),
    ("read-only-backup-kept-in-the-way", "settings/settings_store.cpp", "settings",
     "return !(attributes & FILE_ATTRIBUTE_READONLY) ||\n"
     "           SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);",
     "return !(attributes & FILE_ATTRIBUTE_READONLY);", "SettingsFileTest"),
    ("save-move-not-written-through", "settings/settings_store.cpp", "settings",
     "MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))", "MOVEFILE_REPLACE_EXISTING))",
     "SettingsFileTest"),
    ("batch-names-unquoted", "bar/run_button.cpp", "bar",
     'if (batchRun || wcspbrk(name, L" \\t")) {', 'if (wcspbrk(name, L" \\t")) {',
     "RunButtonTest|ProgramButtonTest"),
    ("batch-percent-let-through", "bar/run_button.cpp", "bar",
     "unsafe |= *at == L'%' || (*at", "unsafe |= (*at", "RunButtonTest|ProgramButtonTest"),
    ("batch-bare-cmd", "bar/run_button.cpp", "bar",
     "  wcscat(interpreterPath, kInterpreterName);", '  lstrcpyW(interpreterPath, L"cmd.exe");',
     "RunButtonTest|ProgramButtonTest"),
    ("batch-without-d", "bar/run_button.cpp", "bar",
     'L" /D /V:OFF /S /C \\"";', 'L" /V:OFF /S /C \\"";', "RunButtonTest|ProgramButtonTest"),
    ("batch-limit-off", "bar/run_button.cpp", "bar",
     "kBatchLineLimit = 8191;", "kBatchLineLimit = 8500;", "RunButtonTest|ProgramButtonTest"),
    ("folder-made-without-dacl", "settings/folder_security.cpp", "settings",
     "{sizeof attributes, descriptor, FALSE};", "{sizeof attributes, nullptr, FALSE};",
     "SettingsFileTest"),
    ("open-place-left-open", "settings/settings_store.cpp", "settings",
     "      if (!CloseSettingsPlace(wide.c_str(), place))\n"
     "        ReportFailure(tag, IDS_OP_SETFILESECURITY, closeStep);\n", "", "SettingsFileTest"),
    ("size-limit-ignored", "settings/settings_store.cpp", "settings",
     "if (size <= int64_t(kLargestSettingsFile)) return true;",
     "if (size <= int64_t(kLargestSettingsFile) * 64) return true;", "SettingsFileTest"),
    ("link-check-dropped", "settings/folder_security.cpp", "settings",
     "  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PlaceCheck::kLink;\n", "",
     "SettingsFileTest"),
    ("foreign-owner-accepted", "settings/folder_security.cpp", "settings",
     "  if (!owner || !IsTrusted(owner, user)) return PlaceCheck::kForeignOwner;\n", "",
     "SettingsFileTest"),
    ("recovery-takes-bak-first", "settings/settings_store.cpp", "settings",
     "  if (WholeSavedFile(newPath)) {\n"
     "    if (MoveFileExA(newPath.c_str(), path, MOVEFILE_WRITE_THROUGH)) taken = &newPath;\n"
     "  } else if (WholeSavedFile(backupPath)) {\n"
     "    if (CopyFileA(backupPath.c_str(), path, TRUE)) taken = &backupPath;\n  }",
     "  if (WholeSavedFile(backupPath)) {\n"
     "    if (CopyFileA(backupPath.c_str(), path, TRUE)) taken = &backupPath;\n"
     "  } else if (WholeSavedFile(newPath)) {\n"
     "    if (MoveFileExA(newPath.c_str(), path, MOVEFILE_WRITE_THROUGH)) taken = &newPath;\n  }",
     "SettingsFileTest"),
]


# A mutant may leave files in the settings folders of the Wine prefix (a
# backup under a wrong name, say) that would fail the tests of every mutant
# after it: the folders are put back as they were before the first one.
SETTINGS = os.path.join(os.environ.get("WINEPREFIX", os.path.join(BUILD, "wineprefix")),
                        "drive_c", "QXIBAR")
KEPT = os.path.join(BUILD, "mutation-settings")


def keep_settings():
    shutil.rmtree(KEPT, ignore_errors=True)
    if os.path.isdir(SETTINGS):
        shutil.copytree(SETTINGS, KEPT)


def restore_settings():
    shutil.rmtree(SETTINGS, ignore_errors=True)
    if os.path.isdir(KEPT):
        shutil.copytree(KEPT, SETTINGS)


def run(command, log, **kw):
    with open(log, "ab") as out:
        return subprocess.call(command, stdout=out, stderr=subprocess.STDOUT, **kw)


def tests_of(mutant):
    return mutant[5] if len(mutant) > 5 else AREAS[mutant[2]]


RESULT = re.compile(r"^\s*\d+/\d+ Test\s+#\d+: (\S+) \.*\s*(?:\*\*\*)?(Passed|Failed|Timeout|"
                    r"Exception|Not Run)")
START = re.compile(r"^\s*Start\s+\d+: |^\d+% tests passed")


def ctest(regex, excluded, log):
    """Runs the tests matching `regex` but not `excluded`, stopping at the first
    failure. Answers {test: outcome}, the outcome one of "passed", "assertion",
    "crash", "timeout" and "machinery" (the program never ran a test: Wine,
    the prefix or the test discovery failed)."""
    command = ["ctest", "--output-on-failure", "--timeout", "240", "-R", regex]
    if excluded:
        command += ["-E", "|".join("^" + re.escape(t) + "$" for t in excluded)]
    run(command + ["--stop-on-failure"], log + ".ctest", cwd=BUILD)
    with open(log + ".ctest", errors="replace") as f:
        lines = f.read().splitlines()
    os.remove(log + ".ctest")
    with open(log, "a") as out:
        out.write("\n".join(lines) + "\n")
    outcomes, name, block, status = {}, None, [], None

    def close():
        if name is None:
            return
        text = "\n".join(block)
        ran = "[ RUN      ]" in text
        if status == "Passed":
            outcomes[name] = "passed"
        elif status == "Not Run" or not ran:
            outcomes[name] = "machinery"
        elif status == "Timeout":
            outcomes[name] = "timeout"
        elif "[  FAILED  ]" in text or ": Failure" in text:
            outcomes[name] = "assertion"
        else:
            outcomes[name] = "crash"

    for line in lines:
        match = RESULT.match(line)
        if match or START.match(line):
            close()
            name, block, status = (match.group(1), [], match.group(2)) if match else (None, [], None)
        elif name is not None:
            block.append(line)
    close()
    return outcomes


def build(log):
    """Builds the tests; a failure is tried once more (the machine may be short of memory)."""
    command = ["cmake", "--build", BUILD, "--target", "unit_tests", "integration_tests"]
    return run(command, log) == 0 or run(command, log) == 0


def main(argv):
    check = "--check" in argv
    wanted = [a for a in argv if not a.startswith("--")]
    names = {m[0] for m in MUTANTS}
    unknown = [w for w in wanted if w not in names]
    if unknown:
        print("unknown mutants: " + " ".join(unknown))
        return 1
    chosen = [m for m in MUTANTS if not wanted or m[0] in wanted]
    log = os.path.join(BUILD, "mutation.log")
    broken = []
    for mutant in chosen:
        name, path = mutant[0], mutant[1]
        with open(os.path.join(ROOT, "src", path), newline="") as f:
            count = f.read().count(mutant[3])
        if count != 1:
            print(f"{name}: the text stands {count} times in src/{path}")
            broken.append(name)
    if check or broken:
        print(f"mutants: {len(chosen)} checked, {len(broken)} broken")
        return 1 if broken else 0

    # The unmutated run: only a test that passes here can kill a mutant.
    if not build(log):
        print("the unmutated source does not build: nothing judged")
        return 1
    keep_settings()
    baseline = ctest("|".join(sorted({tests_of(m) for m in chosen})), [], log)
    restore_settings()
    failing = sorted(t for t, o in baseline.items() if o != "passed")
    print(f"unmutated: {len(baseline) - len(failing)} tests passed"
          + (f"; left out, as they fail unmutated: {' '.join(failing)}" if failing else ""),
          flush=True)
    if not baseline:
        print("no test ran unmutated: nothing judged")
        return 1

    killed, survived, unjudged = [], [], []
    for mutant in chosen:
        name, path, area, before, after = mutant[:5]
        source = os.path.join(ROOT, "src", path)
        with open(source, newline="") as f:
            original = f.read()
        # Sources may have CRLF line ends: the table's line ends follow them.
        eol = "\r\n" if "\r\n" in original else "\n"
        old, new = before.replace("\n", eol), after.replace("\n", eol)
        started = time.time()
        verdict = ""
        try:
            with open(source, "w", newline="") as f:
                f.write(original.replace(old, new))
            with open(log, "a") as out:
                out.write(f"\n===== {name} =====\n")
            if not build(log):
                verdict = "NOT JUDGED (it does not build)"
                unjudged.append(name)
            else:
                for attempt in range(2):
                    outcomes = ctest(tests_of(mutant), failing, log)
                    failed = [(t, o) for t, o in outcomes.items() if o != "passed"]
                    if outcomes and not any(o == "machinery" for _, o in failed):
                        break
                    restore_settings()
                if not outcomes or any(o == "machinery" for _, o in failed):
                    verdict = "NOT JUDGED (the tests did not run: " + \
                        (" ".join(t for t, o in failed) or "none found") + ")"
                    unjudged.append(name)
                elif failed:
                    test, kind = failed[0]
                    verdict = f"killed by {test}" + ("" if kind == "assertion" else f" ({kind})")
                    killed.append((name, test, kind))
                else:
                    verdict = f"SURVIVED {len(outcomes)} tests"
                    survived.append(name)
        finally:
            with open(source, "w", newline="") as f:
                f.write(original)
            restore_settings()
        print(f"{name} ({area}, {time.time() - started:.0f} s): {verdict}", flush=True)
    build(log)
    kinds = {k: [n for n, _, kind in killed if kind == k] for k in ("crash", "timeout")}
    print(f"mutants: {len(chosen)} run, {len(killed)} killed, {len(survived)} survived, "
          f"{len(unjudged)} not judged")
    for kind, names in kinds.items():
        if names:
            print(f"killed by a {kind}: {' '.join(names)}")
    if survived:
        print("survived: " + " ".join(survived))
    if unjudged:
        print("not judged: " + " ".join(unjudged))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
