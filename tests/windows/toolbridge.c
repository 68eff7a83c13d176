/* A Windows stand-in for a Linux tool (pdftotext, pdfinfo, pdftoppm) for the tests run
 * under wine: a program in wine cannot wait for a Linux process it starts, so
 * this one hands its arguments to scripts/test-windows.sh through files in the
 * folder TERVALA_TOOL_SPOOL and waits for the answer:
 *   ID.req   the tool's name (this executable's), then one argument per line
 *            (UTF-8: file names with Polish letters pass);
 *   ID.out   what the tool wrote to standard output;
 *   ID.done  its exit code, written last.
 * The script runs the Linux tool with the Windows paths made Unix ones. */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
#include <shellapi.h>

static void spoolFile(char *out, size_t size, const char *spool, const char *id, const char *ext)
{
    snprintf(out, size, "%s\\%s.%s", spool, id, ext);
}

int main(int argc, char **argv)
{
    (void)argc;
    const char *spool = getenv("TERVALA_TOOL_SPOOL");
    if (!spool) {
        fprintf(stderr, "TERVALA_TOOL_SPOOL is not set\n");
        return 127;
    }
    char tool[MAX_PATH];
    const char *base = strrchr(argv[0], '\\');
    base = base ? base + 1 : argv[0];
    snprintf(tool, sizeof tool, "%s", base);
    char *dot = strrchr(tool, '.');
    if (dot)
        *dot = '\0';

    char id[64];
    snprintf(id, sizeof id, "%lu-%lu", (unsigned long)GetCurrentProcessId(), (unsigned long)GetTickCount());
    char tmp[MAX_PATH], req[MAX_PATH], outName[MAX_PATH], done[MAX_PATH];
    spoolFile(tmp, sizeof tmp, spool, id, "tmp");
    spoolFile(req, sizeof req, spool, id, "req");
    spoolFile(outName, sizeof outName, spool, id, "out");
    spoolFile(done, sizeof done, spool, id, "done");

    FILE *f = fopen(tmp, "wb");
    if (!f)
        return 127;
    fprintf(f, "%s\n", tool);
    int count = 0;
    LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i) {
        char utf8[4 * MAX_PATH];
        if (!WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, utf8, sizeof utf8, NULL, NULL))
            return 127;
        fprintf(f, "%s\n", utf8);
    }
    fclose(f);
    if (!MoveFileA(tmp, req))
        return 127;

    /* The script answers within a second or two; give up after two minutes. */
    for (int waited = 0; GetFileAttributesA(done) == INVALID_FILE_ATTRIBUTES; waited += 20) {
        if (waited > 120000) {
            fprintf(stderr, "%s: no answer from the test script\n", tool);
            return 127;
        }
        Sleep(20);
    }
    int code = 127;
    f = fopen(done, "rb");
    if (f) {
        if (fscanf(f, "%d", &code) != 1)
            code = 127;
        fclose(f);
    }
    _setmode(_fileno(stdout), _O_BINARY);
    f = fopen(outName, "rb");
    if (f) {
        char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
            fwrite(buffer, 1, n, stdout);
        fclose(f);
    }
    fflush(stdout);
    DeleteFileA(req);
    DeleteFileA(outName);
    DeleteFileA(done);
    return code;
}
