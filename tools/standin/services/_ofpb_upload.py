"""Upload of the unit's driving logs to the probe gateway: "/probe/OFPB" with fc 94, 95, 96.

fc=94  consent check (ccid, uid, nickname)
fc=95  upload (ccid, uid, nickname, navimodel, maker, aplver, mapver), then "&dat=" and the
       send file's bytes followed by "DCFO", raw: the data is never read as a form
fc=96  completion of the identity's uploads (ccid, uid, nickname)

Each is answered "SVRRET=<code>". Test values (CStandIn::SetVars):
  "consent_answer", "upload_answer", "completion_answer"   the code (C00, S00, R00)
  "consent_answers"   {ccid: code}, before "consent_answer" for those identities
  "trouble"           {"<fc>": {"times": n, "status": s} or {"times": n, "hold": gate} or
                      {"times": n, "close": true}}: the first n requests of that fc get the
                      status (body "busy"), wait for the gate before their answer, or lose
                      their connection; later ones are answered as usual.
The gateway refuses (E99) an upload whose data is not one "OFCD" send file with "DCFO"
behind it, and a completion of an identity that uploaded nothing since its last completion.
"""

import struct


def _troubled(handler, fc):
    """The handler behind the test's trouble for this fc: the first n requests get a status
    or lose their connection without reaching the gateway, or wait for a gate before their
    answer."""

    def serve(request, space, fields):
        rule = space.vars.get("trouble", {}).get(str(fc))
        if rule:
            with space.lock:
                seen = space.state.setdefault("trouble_seen", {})
                troubled = seen.get(fc, 0) < int(rule.get("times", 0))
                if troubled:
                    seen[fc] = seen.get(fc, 0) + 1
            if troubled and "status" in rule:
                return {"status": int(rule["status"]), "body": "busy\n"}
            if troubled and rule.get("close"):
                return {"action": "close"}
            if troubled and "hold" in rule:
                return dict(handler(request, space, fields), hold=rule["hold"])
        return handler(request, space, fields)

    return serve


def _answer(code):
    return {"status": 200, "body": "SVRRET=" + code,
            "headers": [["Content-Type", "text/plain"]]}


def send_file_blocks(data):
    """The number of "PROBE_" blocks of a send file followed by "DCFO", or None when the
    data is not one."""
    if not data.endswith(b"DCFO"):
        return None
    send = data[:-4]
    if len(send) < 24 or send[:4] != b"OFCD" or send[4:6] != b"01":
        return None
    count, total = struct.unpack_from("<IQ", send, 12)
    if total != len(send) - 24:
        return None
    offset, blocks = 24, 0
    while offset < len(send):
        if offset + 8 > len(send):
            return None
        (length,) = struct.unpack_from("<Q", send, offset)
        end = offset + 8 + length
        if length < 40 or end > len(send) or send[offset + 8:offset + 14] != b"PROBE_" \
                or send[end - 4:end] != b"EOF_":
            return None
        offset, blocks = end, blocks + 1
    return blocks if blocks == count and blocks > 0 else None


def consent(request, space, fields):
    ccid = fields.get("ccid", "")
    if not ccid or not fields.get("uid"):
        return _answer("E99")
    code = space.vars.get("consent_answers", {}).get(ccid)
    return _answer(code or space.vars.get("consent_answer", "C00"))


def upload(request, space, fields):
    ccid = fields.get("ccid", "")
    _, mark, data = request.body.partition(b"&dat=")
    if not ccid or not mark or send_file_blocks(data) is None:
        return _answer("E99")
    with space.lock:
        pending = space.state.setdefault("uploaded", {})
        pending[ccid] = pending.get(ccid, 0) + 1
    return _answer(space.vars.get("upload_answer", "S00"))


def completion(request, space, fields):
    ccid = fields.get("ccid", "")
    with space.lock:
        pending = space.state.setdefault("uploaded", {})
        if not pending.pop(ccid, 0):
            return _answer("E99")
    return _answer(space.vars.get("completion_answer", "R00"))


FC = {94: _troubled(consent, 94), 95: _troubled(upload, 95), 96: _troubled(completion, 96)}
