"""Weather data service: the files below "/wlink36/".

The weather job fetches four index files, takes the names of nine data files from fixed
places in them, and fetches those. By default this module serves a consistent set:

  index file   size  bytes                                  names (data file: offset)
  "all.man"     540  the pattern from byte 0x10000            0: 524
  "all3.man"    316  the pattern from byte 0x20000            5: 12, 6: 25, 7: 38
  "am_al.man"    84  the pattern from byte 0x30000            1: 6, 2: 28, 3: 48, 4: 70
  "all1.man"         the name of data file 8 and its NUL

Each name is written with its NUL over the pattern. Data file k is named NAMES[k] and holds
SIZES[k] bytes of the pattern from byte (k + 1) * 0x100000 (the stand-in's pattern: byte i
is (i % 251) ^ ((i // 251) & 0xFF); onlinetest::PatternBytes(size, from)). The default
sizes end where the card files' end fills begin, so a card file shows both. Any other name,
the folder itself ("/wlink36/") among them, is answered 404.

The service asks for the built-in account: tests put that on the folder as a rule
(CStandIn::Rule("/wlink36/*", CAnswer().Auth(...))), in the mode each test needs. A test
that wants other bytes for one file queues them on its path; a queued answer goes first.

Test values (CStandIn::SetVars):
  "weather_names"  nine names (texts whose code points are the bytes) in place of NAMES;
                   each must fit its place in its index file with its NUL
  "weather_sizes"  nine sizes in place of SIZES
"""

NAMES = ["wt_data.bin", "amds_dat.bin", "amds_pnt.bin", "snow_dat.bin", "snow_pnt.bin",
         "wt_wdata.bin", "wtwp_dat.bin", "wtwp_lst.bin", "wtcw_dat.bin"]
SIZES = [43800, 13500, 39000, 1400, 9100, 20075, 1604, 2600, 10950]

# name: (size, pattern start, [(offset of a name, its data file, room for it and its NUL)])
INDEX_FILES = {
    "all.man": (540, 0x10000, [(524, 0, 16)]),
    "all3.man": (316, 0x20000, [(12, 5, 13), (25, 6, 13), (38, 7, 278)]),
    "am_al.man": (84, 0x30000, [(6, 1, 22), (28, 2, 20), (48, 3, 22), (70, 4, 14)]),
}
ALL1_ROOM = 16


def pattern(start, size):
    return bytes((i % 251) ^ ((i // 251) & 0xFF) for i in range(start, start + size))


def _names(space):
    names = space.vars.get("weather_names", NAMES)
    if len(names) != len(NAMES):
        raise ValueError("weather_names needs %d names" % len(NAMES))
    return [name.encode("latin-1") for name in names]


def _place(index, name, room):
    if len(name) + 1 > room:
        raise ValueError("name %r does not fit its %d bytes" % (name, room))
    index[:len(name) + 1] = name + b"\0"


def index_file(file_name, names):
    if file_name == "all1.man":
        body = bytearray(ALL1_ROOM)
        _place(body, names[8], ALL1_ROOM)
        return bytes(body[:len(names[8]) + 1])
    size, start, places = INDEX_FILES[file_name]
    body = bytearray(pattern(start, size))
    for offset, data_file, room in places:
        field = bytearray(room)
        _place(field, names[data_file], room)
        length = len(names[data_file]) + 1
        body[offset:offset + length] = field[:length]
    return bytes(body)


def weather_file(request, space):
    file_name = request.path[len("/wlink36/"):]
    names = _names(space)
    if file_name == "all1.man" or file_name in INDEX_FILES:
        return {"status": 200, "body_bytes": index_file(file_name, names)}
    wanted = file_name.encode("latin-1")
    if file_name and wanted in names:
        k = names.index(wanted)
        sizes = space.vars.get("weather_sizes", SIZES)
        return {"status": 200, "body_bytes": pattern((k + 1) * 0x100000, int(sizes[k]))}
    return {"status": 404, "body": "no weather file %r\n" % file_name}


ROUTES = {"/wlink36/*": weather_file}
