#include "cli/Usage.h"

#include "settings/SettingsStore.h"

namespace {

const char settingsHead[] = "Settings (read, never written; the window's File > Setup writes them):\n  ";
const char settingsTail[] =
    ", or FILE of --settings FILE (before the command or among\n"
    "  its options): the connection and proxy, max_threads (downloads at once,\n"
    "  default 3), ocr (1: downloads made searchable, as with fetch --ocr;\n"
    "  default 0), and the routes by which documents come:\n"
    "      [services]\n"
    "      us=ppubs|ops|classic      US documents (default ppubs)\n"
    "      ep=auto|eps|ops           EP documents (default auto: ops when a key is\n"
    "                                set, else eps, the EPO publication server)\n"
    "      other=ops|classic         other offices' documents (default ops)\n"
    "  ppubs is the USPTO's Patent Public Search, eps the EPO publication server:\n"
    "  neither needs a key. An unknown value is said on standard error, and the\n"
    "  default is used.\n"
    "  EPO OPS (ops) needs a free consumer key and secret: register at the EPO\n"
    "  developer portal (https://developers.epo.org), open \"My Apps\", add an app,\n"
    "  and copy its key and secret into the window's File > Setup > Services\n"
    "  ([ops] consumerKey and consumerSecret), or set the environment variables\n"
    "  FOLIOHARVESTER_OPS_KEY and FOLIOHARVESTER_OPS_SECRET, which take their place.\n";

const char settingsOptionHead[] =
    "  --settings FILE\n"
    "                 read FILE instead of ";

// The texts above with the settings' place as this platform names it.
std::string SettingsText()
{
    return settingsHead + std::string(userSettingsPlace) + settingsTail;
}

std::string SettingsOptionText()
{
    return settingsOptionHead + std::string(userSettingsPlace) + "\n";
}

const char fetchText[] =
    "Downloads one document per ENTRY into the current directory as NUMBER.pdf.\n"
    "An ENTRY is a number as typed in the window: a US patent (5,123,456, D365123,\n"
    "RE035136) or application publication (20020000051), from Patent Public\n"
    "Search; an EP document (EP2219563, EP2219563B1), from the EPO publication\n"
    "server; a WO number or another office's with its two-letter country code\n"
    "(WO2004/012345, DE10100001), from EPO OPS with its key. A US serial number\n"
    "(09/836917) is fetched on the classic route only.\n"
    "\n"
    "Each entry is one row, numbered from 0 in the order given: first the\n"
    "arguments, then the entries of the --from file. An entry of no known shape\n"
    "gets its row with its \"Unknown Format\" line and no download.\n"
    "\n"
    "When standard output is a terminal, a live display shows one line per\n"
    "document (row, number, page, status); a row that has ended is printed whole.\n"
    "Otherwise every status is printed as ROW<TAB>TEXT in the order it happens.\n"
    "At the end a summary line goes to standard error: finished, previously\n"
    "downloaded, failed, invalid; under it a line \"failed: ENTRY: STATUS\" for\n"
    "each failed entry.\n"
    "Ctrl+C (SIGINT), SIGTERM and SIGHUP stop the downloads; an unfinished\n"
    "document leaves no file, one stopped while being made searchable leaves its\n"
    "PDF without text.\n"
    "\n"
    "Options:\n"
    "  -j N           at most N downloads at once, 1 or more (default: max_threads)\n"
    "  --ocr          make each PDF searchable once it is downloaded, as the ocr\n"
    "                 command does (also when ocr=1 in the settings): the status\n"
    "                 is \"Making searchable: page i of n\" meanwhile; a document\n"
    "                 that was downloaded before is made searchable too\n"
    "  --from FILE    also the entries of FILE (- for standard input): one entry per\n"
    "                 line; blank lines and lines starting with # are skipped; an\n"
    "                 entry whose document is already listed is skipped; UTF-8,\n"
    "                 LF or CR LF; a line over 200 characters is an invalid entry\n"
    "  --report FILE  at the end (also when stopped) write every row to FILE as CSV:\n"
    "                 entry,number,status,file\n";

const char helpOptionText[] =
    "  -h, --help     print this help and exit\n";

const char traceText[] =
    "  --trace FILE   append every request to the services and every answer to\n"
    "                 FILE as it happens (secrets replaced by ***); send FILE\n"
    "                 along when you report a download that fails\n";

const char fetchExitText[] =
    "Exit status:\n"
    "  0   every document finished or was previously downloaded\n"
    "  1   a download failed or was stopped, an entry was invalid, or a file could\n"
    "      not be read or written\n"
    "  64  wrong usage (no ENTRY and no --from FILE; a -j N that is not a number\n"
    "      of 1 or more), a --settings FILE that cannot be read, or a --trace FILE\n"
    "      that cannot be written\n";

const char cliHead[] =
    "usage: folioharvester-cli [--settings FILE] COMMAND [ARGUMENTS]\n"
    "       folioharvester-cli COMMAND --help\n"
    "\n"
    "FolioHarvester without its window: downloads patent documents as PDF files.\n"
    "\n"
    "Commands:\n"
    "  fetch [-j N] [--ocr] [--from FILE] [--report FILE] [--trace FILE] [ENTRY...]\n"
    "        download documents into the current directory (also installed as\n"
    "        folioharvester-fetch)\n"
    "  check [--trace FILE]\n"
    "        ask each service the settings' routes use whether it works: one\n"
    "        line per service, OK or FAILED\n"
    "  classify ENTRY\n"
    "        print what an entry names: kind, number, document id, file, query\n"
    "  assemble OUT.pdf PAGE.tif...\n"
    "        write one PDF from local TIFF fax pages\n"
    "  ocr [-j N] FILE.pdf...\n"
    "        make PDFs written by FolioHarvester searchable in place (also\n"
    "        installed as folioharvester-ocr)\n"
    "\n";

const char cliExitText[] =
    "Exit status:\n"
    "  0   success\n"
    "  1   a download failed or an entry was invalid (fetch); a service failed\n"
    "      (check); a file could not be read or written, or was left without text\n"
    "      (ocr)\n"
    "  2   the entry is invalid (classify)\n"
    "  64  wrong usage or unknown command, or a --settings FILE that cannot be read\n";

const char classifyText[] =
    "usage: folioharvester-cli classify ENTRY\n"
    "\n"
    "Prints what ENTRY names, in the terms a download would use, as one line:\n"
    "  kind=us|other|invalid number=N docid=D file=F query=Q\n"
    "(values the entry does not give stay empty). For an entry of no known shape\n"
    "it also prints the window's error on standard error. No settings are read.\n"
    "\n"
    "Exit status:\n"
    "  0   the entry names a document\n"
    "  2   the entry is of no known shape\n"
    "  64  wrong usage\n";

const char assembleText[] =
    "usage: folioharvester-cli assemble OUT.pdf PAGE.tif...\n"
    "\n"
    "Writes one PDF, OUT.pdf, from local single-strip G4 or G3 TIFF fax pages in\n"
    "the order given, with the writer the downloads use. An unreadable page\n"
    "leaves no OUT.pdf. No settings are read.\n"
    "\n"
    "Exit status:\n"
    "  0   OUT.pdf was written\n"
    "  1   a page or the output could not be read or written\n"
    "  64  wrong usage\n";

const char ocrText[] =
    "usage: folioharvester-cli ocr [-j N] [--] FILE.pdf...\n"
    "       folioharvester-ocr [-j N] [--] FILE.pdf...\n"
    "\n"
    "Makes each PDF that FolioHarvester wrote searchable in place: the text of\n"
    "every page is recognised (Tesseract) and laid invisibly over the page's\n"
    "image, which stays byte for byte as it was, so the words can be found,\n"
    "selected and copied. The language follows the office in the file's name:\n"
    "English for US, WO and GB; English, German and French for EP, DE, AT, CH\n"
    "and FR; Japanese, Chinese or Korean for JP, CN and KR when their Tesseract\n"
    "language is installed; another office's own language beside English when\n"
    "installed; English for a name that is no document number.\n"
    "\n"
    "Prints one line per file: \"FILE: made searchable\" or \"FILE: already\n"
    "searchable, left as it is\" on standard output, or why the file was left as\n"
    "it is on standard error (not a PDF of FolioHarvester's fax pages, no OCR\n"
    "language for its office, stopped). A file is replaced only when all its\n"
    "pages are recognised, through a hidden .NAME.pdf.part file and a rename;\n"
    "Ctrl+C (SIGINT), SIGTERM and SIGHUP stop and leave it as it was. Pages that\n"
    "have text already are left as they are. No settings are read.\n"
    "\n"
    "Options:\n"
    "  -j N         recognise at most N pages at once (default: one per core)\n"
    "  -h, --help   print this help and exit\n"
    "\n"
    "Exit status:\n"
    "  0   every file was made searchable or had text already\n"
    "  1   a file was left without text (refused, no language, stopped, or it\n"
    "      could not be read or written)\n"
    "  64  wrong usage\n";

const char checkHead[] =
    "usage: folioharvester-cli check [--settings FILE] [--trace FILE]\n"
    "       folioharvester-fetch --check [--settings FILE] [--trace FILE]\n"
    "\n";

const char checkText[] =
    "Asks each service that the routes of the settings use, through the\n"
    "connection and proxy of the settings, whether it works, and prints one line\n"
    "per service: OK or FAILED, the service, where it is, and what was found.\n"
    "  Patent Public Search (us=ppubs): its page, a session and a search, and\n"
    "      from its image host the PDF of 6103599\n"
    "  EPO OPS (us=ops, ep=ops or other=ops): the key and secret accepted, then\n"
    "      one inquiry: the service's load (throttling) and the quota used\n"
    "  EPO publication server (ep=eps, or ep=auto without a key): EP1000000\n"
    "      found, and the weekly quota used and remaining when it tells them\n"
    "  classic route: an answer from each of its hosts\n"
    "  the update server ([hosts] maker), when one is set: its proxy test page\n"
    "Each line also says whether the service was reached and its certificate\n"
    "trusted; with no connection it says so (\"cannot resolve ppubs.uspto.gov: is\n"
    "this computer online?\").\n"
    "\n"
    "Options:\n";

const char checkExitText[] =
    "Exit status:\n"
    "  0   every service works\n"
    "  1   a service failed\n"
    "  64  wrong usage, a --settings FILE that cannot be read, or a --trace FILE\n"
    "      that cannot be written\n";

const char fetchHead[] =
    "usage: folioharvester-cli fetch [-j N] [--ocr] [--from FILE] [--report FILE]\n"
    "                                [--trace FILE] [--settings FILE] [--] [ENTRY...]\n"
    "       folioharvester-fetch [-j N] [--ocr] [--from FILE] [--report FILE]\n"
    "                            [--trace FILE] [--settings FILE] [--] [ENTRY...]\n"
    "\n";

}  // namespace

std::string CliUsage()
{
    return std::string(cliHead) + SettingsText() + "\n" + cliExitText;
}

std::string ClassifyUsage()
{
    return classifyText;
}

std::string AssembleUsage()
{
    return assembleText;
}

std::string OcrUsage()
{
    return ocrText;
}

std::string FetchUsage()
{
    return std::string(fetchHead) + fetchText + TraceOptionUsage() + SettingsOptionText() + helpOptionText + "\n" +
           SettingsText() + "\n" + fetchExitText;
}

std::string CheckUsage()
{
    return std::string(checkHead) + checkText + TraceOptionUsage() + SettingsOptionText() + helpOptionText + "\n" +
           SettingsText() + "\n" + checkExitText;
}

std::string TraceOptionUsage()
{
    return traceText;
}
