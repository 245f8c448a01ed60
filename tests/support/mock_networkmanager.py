#!/usr/bin/python3
"""A NetworkManager for the Wi-Fi tests, run with Debian's /usr/bin/python3.

It takes the name org.freedesktop.NetworkManager on the bus of
DBUS_SYSTEM_BUS_ADDRESS and behaves as NetworkManager 1.42 does where
Pellorin depends on it:

  RequestScan   answers at once. A scan runs when the device may scan:
                one request at a time, at most one every 1.5 s disconnected
                (8 s connected), 200 ms after the last scan ended, never while
                a connection activates (State 40..90: the request waits). A
                request made while a scan runs waits for it; a scan that the
                supplicant rejects ends 500 ms later without hearing anything.
  LastScan      CLOCK_BOOTTIME ms, -1 never; moves when a scan ends, and the
                very first scan of a device moves it at its start as well.
  access points LastSeen (boot-time seconds, -1 never, at least 1) and
                Strength (the scan's mapping of dBm to percent) change when a
                scan hears them, in one PropertiesChanged; the connected
                access point's Strength is refreshed every 6 s from the
                station's signal with the other mapping, alone.
  errors        polkit's refusal is org.freedesktop.NetworkManager.PermissionDenied;
                scanning an unavailable device is Device.NotAllowed; an object
                that is gone answers UnknownMethod, as libdbus and GDBus do.
  addresses     Device.Wireless.HwAddress is random while disconnected,
                PermHwAddress the adapter's own.
  objects       org.freedesktop.DBus.ObjectManager.GetManagedObjects on
                /org/freedesktop (can be switched off).

The tests steer it through org.pellorin.MockNetworkManager on /org/pellorin/Mock.
"""

import random
import sys
import time

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NM = 'org.freedesktop.NetworkManager'
NM_PATH = '/org/freedesktop/NetworkManager'
DEVICE = NM + '.Device'
WIRELESS = DEVICE + '.Wireless'
AP = NM + '.AccessPoint'
PROPS = 'org.freedesktop.DBus.Properties'
OBJECT_MANAGER = 'org.freedesktop.DBus.ObjectManager'
CONTROL = 'org.pellorin.MockNetworkManager'

UNAVAILABLE, DISCONNECTED, PREPARE, ACTIVATED = 20, 30, 40, 100


def boottime_ms():
    return time.clock_gettime_ns(time.CLOCK_BOOTTIME) // 1000000


def scan_percent(dbm):
    """nm_wifi_utils_level_to_quality: the percent of a scan's BSS entry."""
    dbm = min(max(dbm, -100), -40)
    return 100 - int(100 * (-40 - dbm) / 60)


def station_percent(dbm):
    """nl80211_xbm_to_percent: the percent of the station's signal, in float as NetworkManager."""
    import ctypes
    dbm = min(max(dbm, -90), -20)
    f = ctypes.c_float
    ratio = f(f(-20.0 - dbm).value / f(70.0).value).value
    return int(f(100.0 - f(70.0 * ratio).value).value)


def random_mac():
    return '%02X:%02X:%02X:%02X:%02X:%02X' % (
        (random.randrange(256) & 0xFC) | 0x02, *[random.randrange(256) for _ in range(5)])


class Props(dbus.service.Object):
    """An object with properties per interface and the standard Properties interface."""

    def __init__(self, mock, path, props):
        self.mock = mock
        self.path = path
        self.props = props
        dbus.service.Object.__init__(self, mock.bus, path)
        mock.objects[path] = self

    def set(self, interface, values):
        self.props[interface].update(values)
        self.PropertiesChanged(interface, dbus.Dictionary(values, signature='sv'), [])

    def gone(self):
        self.remove_from_connection()
        del self.mock.objects[self.path]

    @dbus.service.method(PROPS, in_signature='ss', out_signature='v')
    def Get(self, interface, name):
        self.mock.fault('Get', self.path)
        return self.props[interface][name]

    @dbus.service.method(PROPS, in_signature='s', out_signature='a{sv}')
    def GetAll(self, interface):
        self.mock.fault('GetAll', self.path)
        if interface == AP:
            self.mock.access_point_read()
        return dbus.Dictionary(self.props.get(interface, {}), signature='sv')

    @dbus.service.signal(PROPS, signature='sa{sv}as')
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


class AccessPoint(Props):
    def __init__(self, mock, path, ssid, bssid, mhz, dbm):
        Props.__init__(self, mock, path, {AP: {
            'Flags': dbus.UInt32(1), 'WpaFlags': dbus.UInt32(0), 'RsnFlags': dbus.UInt32(0x188),
            'Ssid': dbus.ByteArray(bytes(ssid)), 'Frequency': dbus.UInt32(mhz),
            'HwAddress': bssid, 'Mode': dbus.UInt32(2), 'MaxBitrate': dbus.UInt32(54000),
            'Bandwidth': dbus.UInt32(20), 'Strength': dbus.Byte(scan_percent(dbm)),
            'LastSeen': dbus.Int32(-1)}})
        self.heard = [dbm]  # what successive scans hear, in turn; below -200: nothing
        self.scans = 0

    def hear(self):
        """The dBm this scan hears, or None."""
        dbm = self.heard[self.scans % len(self.heard)]
        self.scans += 1
        return None if dbm < -200 else dbm


class Device(Props):
    def __init__(self, mock, path, interface, kind, perm, managed, state):
        props = {DEVICE: {
            'DeviceType': dbus.UInt32(kind), 'Interface': interface, 'Managed': managed,
            'State': dbus.UInt32(state), 'Driver': 'mock', 'Udi': path}}
        if kind == 2:
            props[WIRELESS] = {
                'HwAddress': random_mac(), 'PermHwAddress': perm,
                'Mode': dbus.UInt32(2), 'Bitrate': dbus.UInt32(0),
                'AccessPoints': dbus.Array([], signature='o'),
                'ActiveAccessPoint': dbus.ObjectPath('/'),
                'WirelessCapabilities': dbus.UInt32(0x7ff), 'LastScan': dbus.Int64(-1)}
        Props.__init__(self, mock, path, props)
        self.aps = []
        self.scan_ms = 300
        self.rate_limit = True
        self.reject = 0               # scans the supplicant rejects, from the next one
        self.deny = False             # polkit refuses
        self.vanish = []              # access points removed as soon as they are listed
        self.refresh_after_scan = False
        self.scanning = False
        self.explicit = False         # a RequestScan waits for its scan
        self.started_ms = -10 ** 9    # the last scan's start
        self.completed_ms = 0         # the last scan's end; 0 none yet
        self.timer = None
        self.end_timer = None
        self.ends_after_reads = 0     # the scan ends as the Nth access point's properties are read
        self.station_dbm = None
        self.stamps = {}
        GLib.timeout_add(6000, self.periodic_refresh)

    # --- NetworkManager's interface ---

    @dbus.service.method(WIRELESS, in_signature='a{sv}', out_signature='')
    def RequestScan(self, options):
        self.mock.fault('RequestScan', self.path)
        self.stamps['Requested'] = time.clock_gettime_ns(time.CLOCK_BOOTTIME) // 1000
        if self.deny:
            raise dbus.exceptions.DBusException(
                'org.freedesktop.NetworkManager.wifi.scan request failed: not authorized',
                name=NM + '.PermissionDenied')
        if self.state() <= UNAVAILABLE:
            raise dbus.exceptions.DBusException('Scanning not allowed while unavailable',
                                                name=DEVICE + '.NotAllowed')
        self.explicit = True
        GLib.idle_add(self.kickoff)

    @dbus.service.method(WIRELESS, in_signature='', out_signature='ao')
    def GetAllAccessPoints(self):
        self.mock.fault('GetAllAccessPoints', self.path)
        listed = dbus.Array([ap.path for ap in self.aps], signature='o')
        for path in self.vanish:  # gone before anyone can ask for it
            self.mock.remove_access_point(self, path)
        self.vanish = []
        return listed

    @dbus.service.method(WIRELESS, in_signature='', out_signature='ao')
    def GetAccessPoints(self):
        return self.GetAllAccessPoints()

    @dbus.service.signal(WIRELESS, signature='o')
    def AccessPointAdded(self, path):
        pass

    @dbus.service.signal(WIRELESS, signature='o')
    def AccessPointRemoved(self, path):
        pass

    # --- the scan ---

    def state(self):
        return int(self.props[DEVICE]['State'])

    def kickoff(self):
        if self.scanning or not self.explicit:
            return False
        state = self.state()
        if PREPARE <= state < ACTIVATED:
            return False  # held back while a connection activates
        now = boottime_ms()
        limit = 8000 if state == ACTIVATED else 1500
        wait = max(self.started_ms + limit - now if self.rate_limit else 0,
                   self.completed_ms + 200 - now if self.completed_ms else 0)
        if wait > 0:
            if self.timer is None:
                self.timer = GLib.timeout_add(wait, self.after_wait)
            return False
        self.explicit = False
        self.start_scan(self.scan_ms)
        return False

    def after_wait(self):
        self.timer = None
        self.kickoff()
        return False

    def start_scan(self, duration_ms, heard=True):
        self.scanning = True
        self.started_ms = boottime_ms()
        self.stamps['Started'] = time.clock_gettime_ns(time.CLOCK_BOOTTIME) // 1000
        if self.state() < ACTIVATED:
            self.props[WIRELESS]['HwAddress'] = random_mac()
        if self.completed_ms == 0:
            self.set(WIRELESS, {'LastScan': dbus.Int64(boottime_ms())})
        if self.reject > 0:
            self.reject -= 1
            self.end_timer = GLib.timeout_add(500, self.timer_ended, False)
        else:
            self.end_timer = GLib.timeout_add(max(duration_ms, 1), self.timer_ended, heard)

    def timer_ended(self, heard):
        self.end_timer = None
        return self.end_scan(heard)

    def end_scan(self, heard):
        if not self.scanning:
            return False
        if self.end_timer is not None:
            GLib.source_remove(self.end_timer)
            self.end_timer = None
        if heard:
            now = time.clock_gettime(time.CLOCK_BOOTTIME)
            for ap in self.aps:
                dbm = ap.hear()
                if dbm is not None:
                    ap.set(AP, {'Strength': dbus.Byte(scan_percent(dbm)),
                                'LastSeen': dbus.Int32(max(int(now), 1))})
        self.scanning = False
        # A scan lasts seconds on a real adapter, so its end never shares the
        # millisecond of the LastScan its start set; here it may.
        self.completed_ms = max(boottime_ms(), int(self.props[WIRELESS]['LastScan']) + 1)
        self.stamps['Ended'] = time.clock_gettime_ns(time.CLOCK_BOOTTIME) // 1000
        self.set(WIRELESS, {'LastScan': dbus.Int64(self.completed_ms)})
        if self.refresh_after_scan:
            self.refresh_station()
        self.kickoff()
        return False

    def periodic_refresh(self):
        if not self.scanning:
            self.refresh_station()
        return True

    def refresh_station(self):
        current = str(self.props.get(WIRELESS, {}).get('ActiveAccessPoint', '/'))
        if self.station_dbm is not None and current in self.mock.objects:
            self.mock.objects[current].set(
                AP, {'Strength': dbus.Byte(station_percent(self.station_dbm))})


class Manager(Props):
    def __init__(self, mock):
        Props.__init__(self, mock, NM_PATH, {NM: {
            'Version': '1.42.4', 'State': dbus.UInt32(70), 'NetworkingEnabled': True,
            'WirelessEnabled': True, 'WirelessHardwareEnabled': True}})

    @dbus.service.method(NM, in_signature='', out_signature='ao')
    def GetDevices(self):
        self.mock.fault('GetDevices', NM_PATH)
        return dbus.Array([d.path for d in self.mock.devices], signature='o')

    @dbus.service.method(NM, in_signature='', out_signature='ao')
    def GetAllDevices(self):
        return self.GetDevices()

    @dbus.service.signal(NM, signature='o')
    def DeviceAdded(self, path):
        pass

    @dbus.service.signal(NM, signature='o')
    def DeviceRemoved(self, path):
        pass


class ObjectManager(dbus.service.Object):
    def __init__(self, mock):
        self.mock = mock
        dbus.service.Object.__init__(self, mock.bus, '/org/freedesktop')

    @dbus.service.method(OBJECT_MANAGER, in_signature='', out_signature='a{oa{sa{sv}}}')
    def GetManagedObjects(self):
        if not self.mock.managed_objects:
            raise dbus.exceptions.DBusException(
                'No such interface "org.freedesktop.DBus.ObjectManager" on object at path '
                '/org/freedesktop', name='org.freedesktop.DBus.Error.UnknownMethod')
        self.mock.fault('GetManagedObjects', '/org/freedesktop')
        return dbus.Dictionary({
            path: dbus.Dictionary({i: dbus.Dictionary(p, signature='sv')
                                   for i, p in o.props.items()}, signature='sa{sv}')
            for path, o in self.mock.objects.items()}, signature='oa{sa{sv}}')


class Mock(dbus.service.Object):
    def __init__(self, bus):
        self.bus = bus
        self.objects = {}
        self.devices = []
        self.managed_objects = True
        self.faults = {}  # (method, path or '*') -> [error name, text, times]
        self.serial = 0
        dbus.service.Object.__init__(self, bus, '/org/pellorin/Mock')
        self.manager = Manager(self)
        self.object_manager = ObjectManager(self)

    def access_point_read(self):
        for d in self.devices:
            if d.ends_after_reads > 0 and d.scanning:
                d.ends_after_reads -= 1
                if d.ends_after_reads == 0:
                    d.end_scan(True)

    def fault(self, method, path):
        for key in ((method, path), (method, '*')):
            entry = self.faults.get(key)
            if entry and entry[2] > 0:
                entry[2] -= 1
                raise dbus.exceptions.DBusException(entry[1], name=entry[0])

    def device(self, path):
        for d in self.devices:
            if d.path == path:
                return d
        raise dbus.exceptions.DBusException('no device ' + path, name=CONTROL + '.Error')

    def next_path(self, kind):
        self.serial += 1
        return '%s/%s/%d' % (NM_PATH, kind, self.serial)

    def add_device(self, interface, kind, perm, managed, state):
        d = Device(self, self.next_path('Devices'), interface, kind, perm, managed, state)
        self.devices.append(d)
        self.manager.DeviceAdded(dbus.ObjectPath(d.path))
        return d

    def remove_access_point(self, device, path):
        for ap in list(device.aps):
            if ap.path == path:
                device.aps.remove(ap)
                ap.gone()
                device.AccessPointRemoved(dbus.ObjectPath(path))
        return False

    # --- the tests' controls ---

    @dbus.service.method(CONTROL, in_signature='ssbu', out_signature='o')
    def AddWifiDevice(self, interface, perm, managed, state):
        return self.add_device(interface, 2, perm, managed, state).path

    @dbus.service.method(CONTROL, in_signature='s', out_signature='o')
    def AddEthernetDevice(self, interface):
        return self.add_device(interface, 1, '', True, 100).path

    @dbus.service.method(CONTROL, in_signature='o', out_signature='')
    def RemoveDevice(self, path):
        d = self.device(path)
        for ap in list(d.aps):
            self.remove_access_point(d, ap.path)
        self.devices.remove(d)
        d.gone()
        self.manager.DeviceRemoved(dbus.ObjectPath(path))

    @dbus.service.method(CONTROL, in_signature='oav', out_signature='ao')
    def AddAccessPoints(self, device, entries):
        """Each entry an array of its SSID, BSSID, MHz and dBm."""
        d = self.device(device)
        paths = []
        for ssid, bssid, mhz, dbm in entries:
            ap = AccessPoint(self, self.next_path('AccessPoint'), ssid, bssid, mhz, dbm)
            d.aps.append(ap)
            d.AccessPointAdded(dbus.ObjectPath(ap.path))
            paths.append(ap.path)
        d.props[WIRELESS]['AccessPoints'] = dbus.Array([a.path for a in d.aps], signature='o')
        return paths

    @dbus.service.method(CONTROL, in_signature='oai', out_signature='')
    def SetHeard(self, path, dbms):
        """What successive scans hear of an access point, in turn: its dBm, or nothing below -200."""
        ap = self.objects[path]
        ap.heard = [int(d) for d in dbms] or [-999]
        ap.scans = 0

    @dbus.service.method(CONTROL, in_signature='oa{sv}', out_signature='')
    def SetScanning(self, device, options):
        d = self.device(device)
        for key, value in options.items():
            if key == 'scanned_before':  # its first scan ended a minute ago
                d.completed_ms = d.started_ms = boottime_ms() - 60000
                continue
            if key == 'vanish':
                value = [str(p) for p in value]
            elif key in ('rate_limit', 'deny', 'refresh_after_scan'):
                value = bool(value)
            else:
                value = int(value)
            setattr(d, key, value)

    @dbus.service.method(CONTROL, in_signature='ssssu', out_signature='')
    def Fail(self, method, path, name, text, times):
        """The next `times` calls of `method` on `path` ('*': any) fail with that error."""
        self.faults[(method, path)] = [name, text, times]

    @dbus.service.method(CONTROL, in_signature='b', out_signature='')
    def OfferManagedObjects(self, offered):
        self.managed_objects = offered

    @dbus.service.method(CONTROL, in_signature='oub', out_signature='')
    def StartScan(self, device, duration_ms, heard):
        """A scan of NetworkManager's own, as if periodic, hearing what is set or nothing."""
        self.device(device).start_scan(duration_ms, heard)

    @dbus.service.method(CONTROL, in_signature='ooi', out_signature='')
    def Connect(self, device, ap, station_dbm):
        d = self.device(device)
        d.station_dbm = station_dbm
        d.set(DEVICE, {'State': dbus.UInt32(ACTIVATED)})
        d.set(WIRELESS, {'ActiveAccessPoint': dbus.ObjectPath(ap)})
        d.refresh_station()

    @dbus.service.method(CONTROL, in_signature='o', out_signature='a{sx}')
    def Stamps(self, device):
        return dbus.Dictionary(self.device(device).stamps, signature='sx')


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1] if len(sys.argv) > 1 else
                                 __import__('os').environ['DBUS_SYSTEM_BUS_ADDRESS'])
    Mock(bus)
    bus.request_name(NM)
    GLib.MainLoop().run()


if __name__ == '__main__':
    main()
