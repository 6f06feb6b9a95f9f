// kalvora-cli --help: the commands, the options, how questions are answered, the exit
// statuses and the JSON documents.
#include "cli/cli_app.h"
#include "cli/json_output.h"

namespace kalvora::cli {

QString HelpText()
{
    return QStringLiteral(R"(Usage: kalvora-cli [OPTIONS] COMMAND [ARGUMENTS]

Finds Tornel units on COM1 or COM2, reads their settings into a configuration file, sends a
configuration file to them, compares a file with them, and shows configuration files.

Commands:
  search                Search COM1 then COM2 for a unit cabled directly (direct mode, 38400
                        baud), then for a controller (controller mode, 57600 baud). Prints the
                        mode, the port and its device, the number of units and, through a
                        controller, their RS-485 IDs.
  read -o FILE.tnc      Search as above, then read every unit (through a controller: the unit
                        count and IDs, then each unit; directly: the one unit) and save all
                        settings in the configuration file FILE.tnc (1560 bytes). The previous
                        file is replaced only once the new one is complete. Where FILE.tnc
                        cannot be written (no such folder, no permission) the run stops before
                        the search. "-o -" writes the file to standard output and the
                        connection lines to standard error.
  send FILE.tnc [--changed]
                        Search as above, then send every setting of the file to the units in
                        the order of the window's Send Current Settings to Tornel(s) item. A file
                        planning more than four projectors needs two units behind a controller;
                        with only one reachable nothing is sent. Progress goes to standard error
                        ("send: command k of n, unit u: what"). A value the pages would not
                        accept stops the send with a message; what went before stays sent.
                        --changed reads the units first and sends only the commands whose
                        values differ from what the units hold (a channel's seam gains go once).
                        A value out of range that the send leaves out fails the run (status 1).
                        Output that goes away (a pipe whose reader has ended, as in
                        "send FILE.tnc 2>&1 | head") does not stop the send: it runs to its end,
                        the port is released, and the status says what happened (5 when the
                        send succeeded but its summary could not be written).
  diff FILE.tnc [--json]
                        Search, read the units and print each value a send of the file would
                        carry that the units do not hold: unit, screen or channel (numbered
                        #1..#8 across the wall), field, the value sent and the units' value.
                        Compared is exactly what send carries: channels 1..N with locked video,
                        unit 1's wall-wide values for both units, check boxes as 0 or 1; what
                        the units measure (video, line totals, output format) is not. After a
                        successful send it finds nothing. Exit status 0 when equal, 4 when
                        different. --json prints {"equal":..,"differences":[..]}.
  show FILE.tnc [--json]
                        Print every field of every record of both units in the configuration
                        file: input channels and output screens #1..#8 (unit 1 holds #1..#4,
                        unit 2 holds #5..#8), in a table or, with --json, as JSON.
  ports [--json]        List the serial devices as the window's COM Port menu does, USB
                        adapters first: the COM port a search would use each as, the device,
                        its stable name (/dev/serial/by-id, else by-path), its description,
                        and whether it is free or held by another program (its process ID
                        and name, from its lock file or its open files).

Options:
  --com1 DEVICE         The device file of COM1 (for example /dev/ttyUSB0), or a port on a
                        network serial server: socket://HOST:PORT (raw TCP, the server's line
                        settings) or rfc2217://HOST:PORT (Telnet with COM port control: the
                        baud rate, parity and flow control are set on the server's port).
  --com2 DEVICE         The same for COM2. Without these options COM1 and COM2 are the
                        devices chosen in the program's "COM Port" menu (kept in
                        ~/.config/kalvora/kalvora.conf), else the first two serial ports the
                        system reports, USB adapters before on-board ports. "none" leaves
                        that port out of the search.
  --trace FILE          (search, read, send, diff) Write every byte exchanged with the units to FILE: one
                        entry per transaction attempt with its time, unit, the bytes sent and
                        received (as text with control characters named, and as hex) and the
                        outcome (accepted, rejected, error code, timeout; a resend is the next
                        entry); the same text as "Save As..." in the program's traffic window.
                        Written at the end of the run, whatever its outcome, also when the run
                        is interrupted (Ctrl-C, SIGTERM, SIGHUP). A device or a pipe (/dev/null,
                        /dev/stdout) is written into, never replaced.
  --retries N           How many times in the run a repeated failure is tried again before
                        the run gives up with exit status 3 (default 2, 0..1000): every
                        "keep trying?" question (the units or the controller kept timing out,
                        rejecting or answering with an error code), a read or unit count that
                        got no usable answer, and the COM Port recovery of a unit cabled
                        directly are answered Retry (or OK) that many times, then Cancel.
  -v, --verbose         Also print the progress texts of the status bar.
  -q, --quiet           No progress lines (send's "send: command k of n ..."). Messages,
                        errors and results still print. Not together with -v.
  --json                (search, read, send, ports; show and diff as above) One JSON document
                        on standard output instead of the text lines; see "JSON output".
  --clock-scale X       Run every timeout and pause X times as long (0 < X <= 1; default 1).
                        Meant for tests against simulated units.
  -h, --help            Show this text.
  --version             Show the program's version.

An option's value may follow it as the next argument or after '=' (--retries=3). Options may
stand before or after the command; '--' ends the options, so that a file name beginning with
'-' can follow (show -- -old.tnc).

Nobody answers questions: messages go to standard error, and questions are answered so:
  "Serial communication established. Do you wish to query the Tornel's settings ...?"
                        No (the read command reads the units itself); shown only with -v.
  Any other Yes/No question
                        No; shown only with -v.
  Retry/Cancel ("keep trying?" after repeated failures of a command or query) and
  OK/Cancel ("COM Port communication with Tornel has failed ... Click OK to retry")
                        Retry/OK the first --retries times in the run, then Cancel, which ends
                        the run with exit status 3.
A timeout or "no response" that a later attempt recovered from is reported at the end as
"Recovered by trying again: ..." on a run that succeeds.

Exit status:
  0  success (recovered retries are reported on standard error)
  1  no serial port on the machine and none named; no unit or controller found on COM1 or
     COM2; the port failed during the run (adapter pulled, device gone); the controller
     reports no units; a configuration file that could not be read or written, or the
     standard output of read -o -, show, diff or ports that could not be written (the message
     names the file and the system's reason);
     send: a command left out because its value is out of range (each is named), or the
     send stopped midway (the message names the last command; the units are partly
     configured)
  2  bad command line
  3  gave up: the --retries answers were used up while the units or the controller kept
     timing out, rejecting or answering with error codes, or the COM Port recovery of a
     directly cabled unit was cancelled
  4  diff: the file and the units differ
  5  search, send, read -o FILE: the work was done (the units found, configured or read into the
     file), but standard output could not be written (a pipe whose reader has ended, a full
     disk); for read -o -, show, diff and ports that is status 1
)") + JsonHelpText();
}

}  // namespace kalvora::cli
