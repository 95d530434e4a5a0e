#!/usr/bin/env bash
# A new user's first session with the real program on a real X server, driven with xdotool as a
# person would: the wizard on a fresh settings folder, a preview saved as PDF, the advanced window
# and "Save settings", a restart that shows the saved setting, a folder of fonts added on the
# Paths tab, a catalogue printed to a CUPS queue that keeps PDF files, the about box, and a clean
# end that leaves no added font behind.
# Arguments: the typovex binary, the build folder (screenshots go there as newuser-*.png).
# Exits 77 (skipped) with the reason where a tool or the print spooler is missing here.
set -uo pipefail

bin=$(readlink -f "$1")
build=$(readlink -f "$2")
main_re='^Typovex - ver\. 3\.9$'
started_at=$(date +%s)

skip() {
    echo "SKIP: $*"
    exit 77
}
for tool in Xvfb openbox xdotool xprop import convert pdftotext pdftoppm xclip cupsd lpadmin \
    lpstat perl; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh --tests)"
done
[ -f /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ] || skip "printer-driver-cups-pdf is not installed"
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] || skip "fonts-dejavu-core is not installed"
[ "$(id -u)" -eq 0 ] || skip "cupsd and its PDF queue need root here"

source "$(dirname "$0")/lib_xserver.sh"

step=""
step() {
    step=$1
    echo "step $1 ($(($(date +%s) - started_at)) s)"
}
fail() {
    echo "FAIL in step ${step:-set-up}: $*" >&2
    # The whole screen at the moment of failure, to be looked at.
    import -window root "$build/newuser-failure.png" 2>/dev/null &&
        echo "the screen at the failure: $build/newuser-failure.png" >&2
    exit 1
}

# --- the print spooler with a queue that keeps PDF files, the default printer before the start
queue="TypovexNewUser$$"
source "$(dirname "$0")/lib_cups.sh"
cleanup_all() {
    cleanup
    pdf_queue_stop "$queue"
}
trap cleanup_all EXIT
pdf_queue_start "$queue"

# --- a home of our own, so that anything the program leaves behind is found here
export HOME="$work/home" XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
registry="$XDG_CONFIG_HOME/Typovex/registry.json"

# The program starts in this folder, which the folder picker opens at; the one folder inside
# holds a font whose name no installed font has: DejaVu Sans renamed in place (same length).
start="$work/start"
fontdir="$start/MyFonts"
font_name="Typovex E2E"
mkdir -p "$fontdir"
perl -0777 -pe 's/DejaVu Sans/Typovex E2E/g;
    s/\0D\0e\0j\0a\0V\0u\0 \0S\0a\0n\0s/\0T\0y\0p\0o\0v\0e\0x\0 \0E\x002\0E/g' \
    /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf >"$fontdir/newuser.ttf" ||
    fail "could not build the renamed font"
if command -v fc-list >/dev/null && fc-list | grep -qF "$font_name"; then
    fail "a font named $font_name is installed; the check needs an uninstalled one"
fi

wizard_message='Sample of %f by a new user'
wizard_title='My First Catalogue'
saved_title='Fonts of a New User'
rm -f "$build"/newuser-*.png

# --- helpers -----------------------------------------------------------------------------------
app=""
wait_until() { # seconds, message, command...
    local seconds=$1 message=$2
    shift 2
    local deadline=$(($(ms_now) + seconds * 1000))
    until "$@"; do
        [ "$(ms_now)" -lt "$deadline" ] || fail "$message (after ${seconds} s)"
        sleep 0.1
    done
}
visible_window() { # the first visible window of the program with this exact title
    xdotool search --all --onlyvisible --pid "$app" --name "$1" 2>/dev/null | head -n1
}
has_window() { [ -n "$(visible_window "$1")" ]; }
ended() { ! kill -0 "$app" 2>/dev/null; }
no_window() { [ -z "$(visible_window "$1")" ]; }
activate() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true; }
shot() { # window, file name in the build folder
    import -window "$1" "$build/$2" 2>/dev/null || fail "could not take the screenshot $2"
}
# What the focused text field holds, copied with ctrl+a ctrl+c as a person would.
field_text() {
    printf 'nothing copied' | xclip -selection clipboard -loops 1 2>/dev/null &
    sleep 0.1
    xdotool key ctrl+a ctrl+c
    sleep 0.2
    xclip -o -selection clipboard 2>/dev/null
}
type_into_field() { # replaces the focused field's text
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    local now
    now=$(field_text)
    [ "$now" = "$1" ] || fail "typed '$1' but the focused field holds '$now'"
}
# The main window's picture beside the wizard pages is dark blue; the advanced window has none.
main=""
wizard_shown() {
    local shot_file="$work/mode.png" rgb
    import -window "$main" "$shot_file" 2>/dev/null || return 1
    rgb=$(convert "$shot_file" -crop 60x120+30+120 +repage -resize '1x1!' \
        -format '%[fx:int(255*r)] %[fx:int(255*b)]' info:)
    read -r red blue <<<"$rgb"
    [ "$blue" -gt $((red + 50)) ]
}
advanced_shown() { ! wizard_shown; }
page_picture() { import -window "$main" "$work/page-$1.png" 2>/dev/null; }
pictures_differ() { ! cmp -s "$work/page-$1.png" "$work/page-$2.png"; }

start_program() {
    (cd "$start" && exec "$bin") >>"$work/typovex.log" 2>&1 &
    app=$!
    pids+=("$app")
    wait_until 40 "the main window did not appear" has_window "$main_re"
    main=$(visible_window "$main_re")
    # Positions are computed from the window's size once it has settled.
    settled_size "$main" >/dev/null
    activate "$main"
}

# The main window's buttons sit in a row along its bottom edge: About, Advanced, Print and
# Preview anchored left, Close anchored right (src/app/Main.ui: 25 px high, 4 px above the edge).
click_main_button() { # About | Advanced | Print | Preview | Close
    local ww wh x
    read -r ww wh < <(window_size "$main")
    case $1 in
    About) x=40 ;;
    Advanced) x=119 ;;
    Print) x=200 ;;
    Preview) x=274 ;;
    Close) x=$((ww - 39)) ;;
    esac
    activate "$main"
    xdotool mousemove --window "$main" "$x" $((wh - 17)) click 1
    xdotool mousemove 1 1
}

# --- keyboard routes that depend on the tab order --------------------------------------------
# Wizard: the focus starts on Next.
wizard_focus_next_from_start() { :; }
# From Next the chain runs Finish, About, Advanced..., Close, then the page's own controls.
wizard_focus_first_page_control_from_next() { xdotool key Tab Tab Tab Tab Tab; }
# Tab leaves the message memo for Previous, then Next.
wizard_focus_next_from_message() { xdotool key Tab Tab; }
# Page 5: "Check here for 'yes'" (title), the title text, Date and time, Page number, Previous,
# Next.
wizard_focus_title_from_next() { wizard_focus_first_page_control_from_next; xdotool key Tab; }
wizard_focus_next_from_title() { xdotool key Tab Tab Tab Tab; }
# Advanced mode: a press on Close released away from it gives Close the focus without closing;
# the tab bar of the settings follows Close in the chain. Left/Right walk the tabs without
# wrapping, so six Lefts reach the first tab from anywhere.
advanced_show_tab() { # 0 Fonts, 1 Paths, 2 Listing properties, 3 Header/Footer, 4 Page layout, 5 Options
    local ww wh i
    read -r ww wh < <(window_size "$main")
    activate "$main"
    xdotool mousemove --window "$main" $((ww - 39)) $((wh - 17)) mousedown 1 \
        mousemove --window "$main" $((ww / 2)) 20 mouseup 1
    xdotool mousemove 1 1
    xdotool key Tab Left Left Left Left Left Left
    for ((i = 0; i < $1; i++)); do xdotool key Right; done
    sleep 0.2
}
# Listing properties: the message memo, its font, Auto Text, the title box, the title text.
advanced_focus_title_text() { advanced_show_tab 2; xdotool key Tab Tab Tab Tab Tab; }
# Options: Start minimized, the startup mode, Place borders, the script samples, Save settings.
advanced_focus_save_settings() { advanced_show_tab 5; xdotool key Tab Tab Tab Tab Tab; }
# Fonts: All fonts is the page's first control.
advanced_focus_all_fonts() { advanced_show_tab 0; xdotool key Tab; }
# Paths: Use installed fonts, the folder list, Add..., Remove, Apply.
advanced_focus_add_folder() { advanced_show_tab 1; xdotool key Tab Tab Tab; }
advanced_focus_apply_from_add() { xdotool key Tab Tab; }

# In the folder picker the open folder is the highlighted row, and a folder inside it is listed
# in the row below. Returns the row below, in window
# coordinates, found from the highlight colour of the picker's list (Fusion's blue, #308cc6,
# give or take the shading).
picker_row_below_open() {
    local picker=$1 first last
    import -window "$picker" "$work/picker.png" 2>/dev/null || return 1
    # The longest run of highlighted pixel rows down a column through the list.
    read -r first last < <(convert "$work/picker.png" -crop 1x10000+40+0 +repage -depth 8 txt:- |
        awk -F'[ ,:()]+' '$3 >= 30 && $3 <= 70 && $4 >= 120 && $4 <= 160 && $5 >= 180 && $5 <= 220 {
                if ($2 == prev + 1) len++; else { start = $2; len = 1 }
                if (len > best) { best = len; bfirst = start; blast = $2 }
                prev = $2
            }
            END { if (best >= 8) print bfirst, blast }')
    [ -n "$first" ] && [ -n "$last" ] || return 1
    echo "40 $((last + 1 + (last - first + 1) / 2))"
}

# --- 1. start on a fresh settings folder --------------------------------------------------------
step "1: first start shows the wizard"
[ ! -e "$registry" ] || fail "the settings folder is not fresh"
start_program
[ "$(xdotool getwindowname "$main")" = "Typovex - ver. 3.9" ] ||
    fail "caption is '$(xdotool getwindowname "$main")'"
wait_until 10 "the main window does not show the wizard" wizard_shown
first_pid=$app

# --- 2. the six wizard pages ---------------------------------------------------------------------
step "2: through the wizard's six pages"
page_picture 1
wizard_focus_next_from_start
xdotool key space # page 2: preview on screen (the default) or send to a printer
sleep 0.3
page_picture 2
pictures_differ 1 2 || fail "Next did not leave the first page"
xdotool key space # page 3: the message
sleep 0.3
page_picture 3
pictures_differ 2 3 || fail "Next did not leave the second page"
wizard_focus_first_page_control_from_next
type_into_field "$wizard_message"
wizard_focus_next_from_message
xdotool key space # page 4: columns and the font name
sleep 0.3
page_picture 4
pictures_differ 3 4 || fail "Next did not leave the message page"
xdotool key space # page 5: title and footer
sleep 0.3
page_picture 5
pictures_differ 4 5 || fail "Next did not leave the fourth page"
wizard_focus_title_from_next
type_into_field "$wizard_title"
shot "$main" newuser-wizard.png
wizard_focus_next_from_title
xdotool key space # page 6: ready; Next is disabled and the focus moves on to Finish
sleep 0.3
page_picture 6
pictures_differ 5 6 || fail "Next did not leave the title page"

# --- 3. Finish to a preview, saved as PDF ------------------------------------------------------
step "3: Finish shows the preview, saved as PDF"
xdotool key space
wait_until 20 "no preview window appeared after Finish" has_window '^Preview$'
preview=$(visible_window '^Preview$')
activate "$preview"
# The first page appears as white paper in the middle of the grey page area.
page_shown() {
    local ww wh white
    read -r ww wh < <(window_size "$preview")
    import -window "$preview" "$work/preview.png" 2>/dev/null || return 1
    # Most of a patch in the middle is pure white (the window's own grey is not).
    white=$(convert "$work/preview.png" -crop "40x40+$((ww / 2 - 20))+$((wh / 2 - 20))" +repage \
        -fill black +opaque white -format '%[fx:int(100*mean)]' info:)
    [ "$white" -gt 50 ]
}
wait_until 30 "no page appeared in the preview" page_shown
# "Generating report, please wait ..." and the progress bar go when the last page is in; only
# then can the catalogue be saved.
generation_done() {
    local ww wh colours
    read -r ww wh < <(window_size "$preview")
    import -window "$preview" "$work/preview.png" 2>/dev/null || return 1
    colours=$(convert "$work/preview.png" -crop "200x30+4+$((wh - 34))" +repage -format '%k' info:)
    [ "$colours" -le 2 ]
}
wait_until 120 "the preview never finished generating" generation_done
shot "$preview" newuser-preview.png
# The focus starts on Close; Save as PDF... is the control before it.
xdotool key shift+Tab space
wait_until 10 "Save as PDF... opened no file dialog" has_window '^Save as PDF$'
dialog=$(visible_window '^Save as PDF$')
activate "$dialog"
pdf="$work/first-catalogue.pdf"
# Qt's own file dialog: the file name box has the focus.
xdotool type --delay 10 "$pdf"
xdotool key Return
pdf_written() { [ -s "$pdf" ] && no_window '^Save as PDF$'; }
wait_until 30 "the PDF was not written" pdf_written
sleep 0.5
text=$(pdftotext -layout "$pdf" - 2>/dev/null) || fail "pdftotext could not read $pdf"
grep -qF "$wizard_title" <<<"$text" || fail "the saved PDF lacks the wizard's title: $text"
grep -qE "Sample of .+ by a new user" <<<"$text" || fail "the saved PDF lacks the wizard's message"
info=$(pdfinfo "$pdf" 2>/dev/null) || fail "pdfinfo could not read $pdf"
[ "$(sed -n 's/^Title: *//p' <<<"$info")" = "$wizard_title" ] || fail "the PDF's document title: $info"
[ "$(sed -n 's/^Creator: *//p' <<<"$info")" = Typovex ] || fail "the PDF's creator: $info"
echo "  saved $(sed -n 's/^Pages: *//p' <<<"$info") page(s)"
activate "$preview"
xdotool key Escape
wait_until 15 "Esc did not close the preview" no_window '^Preview$'

# --- 4. the advanced window and Save settings ----------------------------------------------------
step "4: the advanced window, a changed title, Save settings"
click_main_button Advanced
wait_until 10 "Advanced... did not show the advanced window" advanced_shown
advanced_focus_title_text
now=$(field_text)
[ "$now" = "$wizard_title" ] || fail "the title text on Listing properties is '$now', not the wizard's"
type_into_field "$saved_title"
shot "$main" newuser-advanced.png
# Opening the settings key at start may create the file, but no setting is in it yet.
! grep -qs '"TitleText"' "$registry" || fail "settings were written before Save settings"
advanced_focus_save_settings
xdotool key space
wait_until 10 "no message box after Save settings" has_window '^Typovex$'
box=$(visible_window '^Typovex$')
shot "$box" newuser-saved.png
[ -s "$registry" ] || fail "Save settings wrote no $registry"
activate "$box"
xdotool key Return
wait_until 5 "Enter did not dismiss the message box" no_window '^Typovex$'
grep -qF "\"TitleText\": \"$saved_title\"" "$registry" || fail "the registry lacks the title: $(cat "$registry")"

# --- 5. quit and restart: the saved title shows again ------------------------------------------
step "5: quit, restart, the saved title shows again"
click_main_button Close
wait_until 10 "Close did not end the program" ended
rc=0
wait "$app" || rc=$?
[ "$rc" -eq 0 ] || fail "the program ended with exit code $rc"
start_program
[ "$app" != "$first_pid" ] || fail "no new process"
wait_until 10 "the restarted program does not show the wizard" wizard_shown
wizard_focus_next_from_start
for _ in 1 2 3 4; do
    xdotool key space
    sleep 0.2
done
wizard_focus_title_from_next
now=$(field_text)
[ "$now" = "$saved_title" ] || fail "after the restart the wizard's title field holds '$now'"
shot "$main" newuser-restarted.png
grep -qF "\"TitleText\": \"$saved_title\"" "$registry" || fail "the registry lost the title"

# --- 6. a folder of fonts added on the Paths tab -------------------------------------------------
step "6: a folder of fonts added and applied"
click_main_button Advanced
wait_until 10 "Advanced... did not show the advanced window" advanced_shown
# Only the added font is to be printed: clear All fonts first.
advanced_focus_all_fonts
xdotool key space
advanced_focus_add_folder
xdotool key space
wait_until 10 "Add... opened no folder picker" has_window '^Select folder$'
picker=$(visible_window '^Select folder$')
activate "$picker"
row=$(picker_row_below_open "$picker") || fail "the folder picker shows no open folder"
read -r _ ry <<<"$row"
# By keyboard: the volume box has the focus; Tab to the folder list, Down to the folder inside
# the open one, Enter opens it.
xdotool key Tab Down Return
sleep 0.3
# Now the font folder is the open (highlighted) one, one row lower.
row2=$(picker_row_below_open "$picker") || fail "the folder picker shows no open folder"
read -r _ ry2 <<<"$row2"
[ "$ry2" -gt "$ry" ] || fail "Enter did not open the font folder"
shot "$picker" newuser-picker.png
xdotool key Return # OK is the picker's default button
wait_until 5 "OK did not close the folder picker" no_window '^Select folder$'
advanced_focus_apply_from_add
xdotool key space
wait_until 20 "Apply showed no message" has_window '^Typovex$'
box=$(visible_window '^Typovex$')
shot "$box" newuser-found.png
activate "$box"
xdotool key Return
wait_until 5 "Enter did not dismiss the message" no_window '^Typovex$'

# --- 7. a catalogue printed to the PDF queue ----------------------------------------------------
step "7: a catalogue printed to the PDF queue"
before=$(lpstat -W all -o "$queue" 2>/dev/null | wc -l)
click_main_button Print
job=""
new_job() {
    job=$(lpstat -W all -o "$queue" 2>/dev/null | awk '{print $1}' | sed -n '$p')
    [ "$(lpstat -W all -o "$queue" 2>/dev/null | wc -l)" -gt "$before" ] && [ -n "$job" ]
}
wait_until 30 "no job reached the queue after Print" new_job
doc=$(printf '/var/spool/cups/d%05d-001' "${job##*-}")
wait_until 10 "spooled document $doc not found" test -s "$doc"
printed=$(pdftotext -layout "$doc" - 2>/dev/null) || fail "pdftotext could not read $doc"
grep -qF "$saved_title" <<<"$printed" || fail "the printed catalogue lacks the saved title: $printed"
grep -qF "Sample of $font_name by a new user" <<<"$printed" ||
    fail "the printed catalogue lacks the added font's sample: $printed"
samples=$(grep -c "Sample of" <<<"$printed")
[ "$samples" -eq 1 ] || fail "expected the one added font printed, found $samples samples"
pdftoppm -png -r 50 -singlefile "$doc" "$build/newuser-printed" || fail "could not render $doc"

# --- 8. the about box --------------------------------------------------------------------------
step "8: the about box"
no_window '^Typovex$' || fail "an unexpected message box is open: the print reported something"
click_main_button About
wait_until 10 "About showed no about box" has_window '^About \.\.\.$'
about=$(visible_window '^About \.\.\.$')
shot "$about" newuser-about.png
activate "$about"
xdotool key Return
wait_until 5 "Enter did not close the about box" no_window '^About \.\.\.$'

# --- 9. quit: exit code 0, nothing left added --------------------------------------------------
step "9: quit leaves no added font behind"
# The added file is in use by the program while it runs (mapped by the font engine, or open).
uses_font() { grep -qF "$fontdir/" "/proc/$app/maps" 2>/dev/null ||
    ls -l "/proc/$app/fd" 2>/dev/null | grep -qF "$fontdir/"; }
uses_font || fail "the running program neither maps nor holds open $fontdir/newuser.ttf"
activate "$main"
quit_started=$(ms_now)
xdotool key Escape
wait_until 5 "the program did not end within 5 s of Esc" ended
rc=0
wait "$app" || rc=$?
[ "$rc" -eq 0 ] || fail "the program ended with exit code $rc"
echo "  ended in $(($(ms_now) - quit_started)) ms"
# Nothing about the folder in settings, caches or font configuration of this user.
left=$(grep -rlF "$fontdir" "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" 2>/dev/null |
    grep -vF "$start/" || true)
[ -z "$left" ] || fail "files mention the font folder after the end: $left"
[ ! -e "$XDG_CONFIG_HOME/fontconfig" ] ||
    fail "the program wrote a fontconfig configuration"
grep -qiF "MyFonts" "$registry" && fail "the registry keeps the font folder"
[ "$(xdotool search --pid "$app" 2>/dev/null | wc -l)" -eq 0 ] || fail "windows of the program remain"

echo "PASS in $(($(date +%s) - started_at)) s; screenshots: $(cd "$build" && ls newuser-*.png | paste -sd' ')"
