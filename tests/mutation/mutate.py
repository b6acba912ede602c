#!/usr/bin/env python3
"""Applies one deliberate fault at a time to src/, rebuilds the 64-bit build,
runs the tests of the fault's area under Wine and puts the source back.

Run through tests/mutation/run.sh, which prepares the build and Wine.
Arguments: mutant names to run (default: all); --check only proves that every
mutant applies. Prints one line a mutant and a summary; exits 1 when a
mutant's source cannot be found or does not build.
"""
import os
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
    ("failed-write-goes-on", "settings/settings.cpp", "settings",
     "if (!WriteNewFile(newPath, bytes)) return false;", "WriteNewFile(newPath, bytes);"),
    ("backup-named-wrong", "settings/settings.cpp", "settings",
     'lstrcpyA(backupPath + pathLength - 3, "BAK");', 'lstrcpyA(backupPath + pathLength - 3, "BAQ");'),
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
     'bool quoted = wcspbrk(name, L" \\t") != nullptr;', "bool quoted = false;"),
    ("single-file-not-passed", "bar/run_button.cpp", "bar",
     "if (count == 1 && (record->flags & BF_PASS_FILES)) AppendSelectedFile(0);",
     "if (count == 1 && (record->flags & BF_MULTIPLE_FILES)) AppendSelectedFile(0);"),
    ("batch-without-slash-c", "bar/run_button.cpp", "bar",
     'kBatchPrefix[] = L"CMD.EXE /C ";', 'kBatchPrefix[] = L"CMD.EXE ";'),
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


def main(argv):
    check = "--check" in argv
    wanted = [a for a in argv if not a.startswith("--")]
    names = {m[0] for m in MUTANTS}
    unknown = [w for w in wanted if w not in names]
    if unknown:
        print("unknown mutants: " + " ".join(unknown))
        return 1
    log = os.path.join(BUILD, "mutation.log")
    killed, survived, broken = [], [], []
    if not check:
        keep_settings()
    for name, path, area, before, after in MUTANTS:
        if wanted and name not in wanted:
            continue
        source = os.path.join(ROOT, "src", path)
        with open(source, newline="") as f:
            original = f.read()
        # Sources may have CRLF line ends: the table's line ends follow them.
        eol = "\r\n" if "\r\n" in original else "\n"
        old, new = before.replace("\n", eol), after.replace("\n", eol)
        if original.count(old) != 1:
            print(f"{name}: the text stands {original.count(old)} times in src/{path}")
            broken.append(name)
            continue
        if check:
            continue
        started = time.time()
        try:
            with open(source, "w", newline="") as f:
                f.write(original.replace(old, new))
            with open(log, "a") as out:
                out.write(f"\n===== {name} =====\n")
            if run(["cmake", "--build", BUILD, "--target", "unit_tests", "integration_tests"], log):
                verdict = "BUILD FAILED"
                broken.append(name)
            else:
                failed = run(["ctest", "--stop-on-failure", "--timeout", "120", "-R", AREAS[area],
                              "-E", "DISABLED"], log, cwd=BUILD)
                verdict = "killed" if failed else "SURVIVED"
                (killed if failed else survived).append(name)
        finally:
            with open(source, "w", newline="") as f:
                f.write(original)
            restore_settings()
        print(f"{verdict:12} {name} ({area}, {time.time() - started:.0f} s)", flush=True)
    if not check:
        run(["cmake", "--build", BUILD, "--target", "unit_tests", "integration_tests"], log)
    total = len(killed) + len(survived)
    print(f"mutants: {total} run, {len(killed)} killed, {len(survived)} survived"
          + (f", {len(broken)} broken: {' '.join(broken)}" if broken else ""))
    if survived:
        print("survived: " + " ".join(survived))
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
