"""The controller's names on the session bus and its properties, in the order its
introspection XML declares them (the order `vq3ctl status` prints them in)."""

NAME = "org.vq3_controller.VQ3Controller1"
PATH = "/org/vq3_controller/VQ3Controller1"
LINK = NAME + ".Link"
UNIT = NAME + ".Unit"
ERROR_PREFIX = NAME + ".Error."
PROPERTIES_INTERFACE = "org.freedesktop.DBus.Properties"

# (interface, bus name, Python type, what it holds)
PROPERTIES = (
    (LINK, "Port", str, '"COM1" to "COM9"; "" when no port is chosen.'),
    (LINK, "State", str, '"connected", "closed" or "lost".'),
    (LINK, "Device", str, 'The device path opened for the port; "" when none is open.'),
    (LINK, "Busy", bool, "True while a unit settings file operation runs."),
    (LINK, "Owner", str, 'The unique bus name of the caller holding the claim; "" for none.'),
    (UNIT, "Status", int, "The status word as the unit last reported it (-1 before)."),
    (UNIT, "LampOn", bool, '"Lamp On" as Light Control lights it.'),
    (UNIT, "LampStable", bool, '"Lamp Stable" as Light Control lights it.'),
    (UNIT, "ShutterOpen", bool, '"Shutter Open" as Light Control lights it.'),
    (UNIT, "MinIntensity", bool, "The minimum intensity lamp."),
    (UNIT, "MaxIntensity", bool, "The maximum intensity lamp."),
    (UNIT, "Error", bool, "The error lamp."),
    (UNIT, "Intensity", int, "Percent, as last reported (-1 before)."),
    (UNIT, "LampHours", int, "Hours, as last reported (-1 before)."),
    (UNIT, "AutoTime", float, "Seconds: the set exposure time (-1 before)."),
    (UNIT, "RestTime", float, "Seconds left of the exposure (-1 before)."),
    (UNIT, "Step", int, "The step a running memory step program is at (-1 before)."),
)


def snake_case(bus_name: str) -> str:
    """"LampOn" -> "lamp_on": the Python name of a bus property or key."""
    return "".join("_" + c.lower() if c.isupper() else c for c in bus_name).lstrip("_")


def camel_case(python_name: str) -> str:
    """"lamp_on" -> "LampOn": the bus name of a Python property or field."""
    return "".join(word.capitalize() for word in python_name.split("_"))
