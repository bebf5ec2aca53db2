#pragma once
// The weather download: a background job that fetches the weather information for the
// navigation unit from the weather data service and writes it onto the active card, in
// twelve files of fixed size under "<card>:\PC\WEATHER\".
//
// A run fetches four index files ("all.man", "all3.man", "am_al.man", "all1.man"), takes the
// names of nine data files from fixed places in them, fetches those, and only when all of
// them came writes the twelve card files, each at its full size whatever the reply's length:
// the bytes after a reply keep the file's preset (zeros, and for three files a fill at the
// end that tells the unit where the data stops). Every file is a plain GET of request 11
// (its URL ends in the folder "/wlink36/") followed by the file's name, answered with the
// built-in service account when the service asks for authentication, and sent with the
// card's user agent.
//
// A failed download changes no card file. A failure while writing leaves the files written
// before it new, the failing one deleted and the rest as they were.

#include "online/Charge.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CWinHttpWrapper;

// The card files, in the order in which they are written.
const uint32_t WEATHER_CARD_FILE_COUNT = 12;
const uint32_t WEATHER_INDEX_FILE_COUNT = 4;
const uint32_t WEATHER_DATA_FILE_COUNT = 9;
// A request still running when the job is aborted gets this long to end.
const DWORD WEATHER_ABORT_WAIT_MS = 30000;

class CInfoChargeWeather : public CCharge {
public:
    // The owner aborts a running job (AbortProc) before deleting it.
    CInfoChargeWeather();

    // Fetches index file 0..3 (in the order "all.man", "all3.man", "am_al.man", "all1.man")
    // into its card file's buffer; a 24-bit result code.
    uint32_t GetWtInfo(uint32_t index, const char* fileName);
    // Fetches data file 0..8 into its card file's buffer; an empty reply leaves the preset.
    uint32_t GetWtData(uint32_t index, const char* fileName);
    // Writes one card file anew at its full capacity: path is what follows the drive letter
    // (":\PC\WEATHER\WT_INFO.DAT").
    uint32_t WritingWeatherData(const char* path, const uint8_t* buffer, uint32_t capacity);

protected:
    uint32_t _Proc() override;

    // The four index files, then the nine data files, then the twelve card files.
    uint32_t _GetALLInfo();
    uint32_t _GetALLData();
    uint32_t _WritingALLData();

    // Called on the worker right after a request was sent, before the job looks for its
    // card and its abort event again; nothing by default. Tests set the abort event or take
    // the card away here.
    virtual void _OnRequestSent() {}

private:
    // What a download logs at each step where the index and the data files differ.
    struct FetchTexts {
        const char* m_pszNoAccount;
        const char* m_pszInitializeFailed; // formats: the Windows error
        const char* m_pszConnectFailed;    // formats: the Windows error
        const char* m_pszAbort;            // before the wait
        const char* m_pszNoCard;           // before the wait
        const char* m_pszResponseFailed;   // formats: the client's result
        const char* m_pszWaitAbort;
        const char* m_pszWaitFailed;       // formats: the Windows error
        const char* m_pszCut;              // formats: file name, reply size, capacity
    };

    // One GET of the weather folder's file, up to its end or the abort event; 0 when the
    // reply is in the client.
    uint32_t _Fetch(CWinHttpWrapper& client, const char* fileName, const FetchTexts& texts);
    // Resets the card file's bytes from `offset` for `capacity` bytes to the preset and
    // copies the client's reply there, cut to that capacity.
    void _TakeReply(const CWinHttpWrapper& client, uint32_t cardFile, uint32_t offset,
                    uint32_t capacity, const char* fileName, const char* cutText);
    void _Preset(uint32_t cardFile, uint32_t offset, uint32_t capacity);
    // The name of data file 0..8, read in its index buffer up to a NUL or the buffer's end.
    std::string _DataFileName(uint32_t index) const;

    // One buffer per card file, each of its file's fixed size.
    std::vector<uint8_t> m_vecFiles[WEATHER_CARD_FILE_COUNT];
    // The Windows error of the last failed card-file operation, 0 otherwise; the extra
    // value of every error the job posts.
    uint32_t m_uLastCardError;
};
