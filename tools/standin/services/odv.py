"""Traffic data service: "/cgi-bin/odv.cgi/".

The request is a form (ccid, otp, map_ver, ...); the answer is binary, its first byte giving
its kind:
  data block   "O", a length field L of 1 to 4 bytes (the top two bits of its first byte
               give its width: 00 one byte, 01 two, 10 three, 11 four; the rest of the
               field is L, big-endian), then the data; L counts the field and the data.
  error block  0xFF, one byte nobody reads, the error code in 16 bits big-endian.

By default the service answers a data block of odv_size bytes (3000) of the stand-in's
pattern when the request's otp is the password issued last for its ccid by the probe
gateway (space.state["otp_issued"], see _ofpb_otp.py), and the error block 0xFFFF (the
password is no longer valid) otherwise.

Test values (CStandIn::SetVars):
  "odv_size"     the default data size;
  "odv_replies"  a list of replies for the space's first requests, one each, in order;
                 the default answers the requests after them. A reply is
                   {"kind": "data", "size": n}   n pattern bytes, in the narrowest field,
                       or with "width": 1 to 4 and/or "length": L written instead of the
                       true one (it must fit the width);
                   {"kind": "error", "code": c}
                 and either may carry "cut": n, to send only its first n bytes (damaged
                 forms: a lone type byte, a field cut short, an error block of 1 to 3 bytes).
"""

FIELD_LIMITS = (0x3F, 0x3FFF, 0x3FFFFF, 0x3FFFFFFF)   # the largest L of each width
WIDTH_MARKS = (0x00, 0x40, 0x80, 0xC0)


def pattern(size):
    return bytes((i % 251) ^ ((i // 251) & 0xFF) for i in range(size))


def length_field(length, width):
    if not 1 <= width <= 4 or not 0 <= length <= FIELD_LIMITS[width - 1]:
        raise ValueError("a length of %d does not fit a field of %d bytes" % (length, width))
    field = bytearray(length.to_bytes(width, "big"))
    field[0] |= WIDTH_MARKS[width - 1]
    return bytes(field)


def data_block(data, width=None, length=None):
    if width is None:
        width = next(w for w in (1, 2, 3, 4) if len(data) + w <= FIELD_LIMITS[w - 1])
    if length is None:
        length = len(data) + width
    return b"O" + length_field(length, width) + data


def error_block(code):
    return b"\xFF\x00" + code.to_bytes(2, "big")


def build_reply(spec):
    if spec.get("kind") == "error":
        reply = error_block(int(spec["code"]))
    else:
        reply = data_block(pattern(int(spec.get("size", 0))), spec.get("width"),
                           spec.get("length"))
    if "cut" in spec:
        reply = reply[:int(spec["cut"])]
    return reply


def traffic_data(request, space):
    fields = {name: values[0] for name, values in request.form().items()}
    with space.lock:
        served = space.state.get("odv_served", 0)
        space.state["odv_served"] = served + 1
        replies = space.vars.get("odv_replies", [])
        issued = space.state.get("otp_issued", {})
        valid = "otp" in fields and issued.get(fields.get("ccid")) == fields["otp"]
    if served < len(replies):
        spec = replies[served]
    elif valid:
        spec = {"kind": "data", "size": space.vars.get("odv_size", 3000)}
    else:
        spec = {"kind": "error", "code": 0xFFFF}
    return {"status": 200, "body_bytes": build_reply(spec),
            "headers": [["Content-Type", "application/octet-stream"]]}


ROUTES = {"/cgi-bin/odv.cgi/": traffic_data}
