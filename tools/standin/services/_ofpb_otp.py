"""One-time password of the probe-traffic service: "/probe/OFPB" with fc=72.

The request names the unit (deviceNo, halfCcid); the answer is the text
"SVRRET=<code>&CCID=<16 characters>&PASS=<8 characters>", or "SVRRET=<code>" alone for the
codes that give no password (C04, E98, E99). Each request issues a new password for the
unit's CCID, which replaces the one issued before; the traffic data service (odv.py) serves
data only for the password issued last, read from space.state["otp_issued"] (CCID to
password).

Test values (CStandIn::SetVars): "otp_answer", the code to answer (default "C00").
A request without deviceNo or halfCcid is answered "SVRRET=E99".
"""

NO_PASSWORD_CODES = ("C04", "E98", "E99")


def unit_ccid(device_no, half_ccid):
    """The CCID the gateway gives a unit: its CCID head, then its device number."""
    return (half_ccid + device_no)[:16].ljust(16, "0")


def one_time_password(request, space, fields):
    device_no = fields.get("deviceNo", "")
    half_ccid = fields.get("halfCcid", "")
    if not device_no or not half_ccid:
        return {"status": 200, "body": "SVRRET=E99"}
    code = space.vars.get("otp_answer", "C00")
    if code in NO_PASSWORD_CODES:
        return {"status": 200, "body": "SVRRET=" + code}
    ccid = unit_ccid(device_no, half_ccid)
    with space.lock:
        count = space.state.get("otp_count", 0) + 1
        space.state["otp_count"] = count
        password = "K%07d" % count
        space.state.setdefault("otp_issued", {})[ccid] = password
    return {"status": 200, "body": "SVRRET=%s&CCID=%s&PASS=%s" % (code, ccid, password)}


FC = {72: one_time_password}
