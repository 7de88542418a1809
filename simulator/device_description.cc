#include "simulator/device_description.h"

#include <cstdio>
#include <string>

namespace sim {
namespace {

constexpr char kFileName[] = "nuv-camsim.xml";

// Feature names follow the GenICam Standard Features Naming Convention. Bit
// positions in MaskedIntReg count from the most significant bit of a
// big-endian register: bit 31 is the register's value 0x1.
constexpr std::string_view kDescription = R"xml(<?xml version="1.0" encoding="utf-8"?>
<RegisterDescription ModelName="NuvCamSim" VendorName="SimulatedDevices"
    ToolTip="Simulated GigE Vision camera: identity and network configuration"
    StandardNameSpace="GEV" SchemaMajorVersion="1" SchemaMinorVersion="1" SchemaSubMinorVersion="0"
    MajorVersion="1" MinorVersion="0" SubMinorVersion="0"
    ProductGuid="6c1f0b2e-52a4-4b7d-9f0e-3d1c8a7b5e21"
    VersionGuid="0e9d5a1c-7b3f-4c2e-8a6d-5f4b3c2a1e10"
    xmlns="http://www.genicam.org/GenApi/Version_1_1"
    xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"
    xsi:schemaLocation="http://www.genicam.org/GenApi/Version_1_1 http://www.genicam.org/GenApi/GenApiSchema_Version_1_1.xsd">
  <Category Name="Root" NameSpace="Standard">
    <pFeature>DeviceControl</pFeature>
    <pFeature>TransportLayerControl</pFeature>
  </Category>
  <Category Name="DeviceControl" NameSpace="Standard">
    <pFeature>DeviceVendorName</pFeature>
    <pFeature>DeviceModelName</pFeature>
    <pFeature>DeviceVersion</pFeature>
    <pFeature>DeviceManufacturerInfo</pFeature>
    <pFeature>DeviceSerialNumber</pFeature>
    <pFeature>DeviceUserID</pFeature>
    <pFeature>DeviceReset</pFeature>
  </Category>
  <Category Name="TransportLayerControl" NameSpace="Standard">
    <pFeature>GevVersionMajor</pFeature>
    <pFeature>GevVersionMinor</pFeature>
    <pFeature>GevDeviceModeIsBigEndian</pFeature>
    <pFeature>GevMACAddress</pFeature>
    <pFeature>GevSupportedOptionSelector</pFeature>
    <pFeature>GevSupportedOption</pFeature>
    <pFeature>GevCurrentIPConfigurationLLA</pFeature>
    <pFeature>GevCurrentIPConfigurationDHCP</pFeature>
    <pFeature>GevCurrentIPConfigurationPersistentIP</pFeature>
    <pFeature>GevCurrentIPAddress</pFeature>
    <pFeature>GevCurrentSubnetMask</pFeature>
    <pFeature>GevCurrentDefaultGateway</pFeature>
    <pFeature>GevPersistentIPAddress</pFeature>
    <pFeature>GevPersistentSubnetMask</pFeature>
    <pFeature>GevPersistentDefaultGateway</pFeature>
    <pFeature>GevNumberOfInterfaces</pFeature>
    <pFeature>GevMessageChannelCount</pFeature>
    <pFeature>GevStreamChannelCount</pFeature>
    <pFeature>GevHeartbeatTimeout</pFeature>
    <pFeature>GevTimestampTickFrequency</pFeature>
    <pFeature>GevTimestampControlLatch</pFeature>
    <pFeature>GevTimestampControlReset</pFeature>
    <pFeature>GevTimestampValue</pFeature>
    <pFeature>GevCCP</pFeature>
  </Category>

  <StringReg Name="DeviceVendorName" NameSpace="Standard">
    <ToolTip>Name of the manufacturer of the device.</ToolTip>
    <Address>0x0048</Address><Length>32</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
  </StringReg>
  <StringReg Name="DeviceModelName" NameSpace="Standard">
    <ToolTip>Model of the device.</ToolTip>
    <Address>0x0068</Address><Length>32</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
  </StringReg>
  <StringReg Name="DeviceVersion" NameSpace="Standard">
    <ToolTip>Version of the device.</ToolTip>
    <Address>0x0088</Address><Length>32</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
  </StringReg>
  <StringReg Name="DeviceManufacturerInfo" NameSpace="Standard">
    <ToolTip>Further information from the manufacturer.</ToolTip>
    <Address>0x00A8</Address><Length>48</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
  </StringReg>
  <StringReg Name="DeviceSerialNumber" NameSpace="Standard">
    <ToolTip>Serial number of the device.</ToolTip>
    <Address>0x00D8</Address><Length>16</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
  </StringReg>
  <StringReg Name="DeviceUserID" NameSpace="Standard">
    <ToolTip>Name the user gives the device; kept across restarts.</ToolTip>
    <Address>0x00E8</Address><Length>16</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable>
  </StringReg>
  <Command Name="DeviceReset" NameSpace="Standard">
    <ToolTip>Restarts the device; it answers again once it has an address.</ToolTip>
    <pValue>DeviceResetReg</pValue>
    <CommandValue>0xAFFE</CommandValue>
  </Command>
  <IntReg Name="DeviceResetReg">
    <Address>0xB0E8</Address><Length>4</Length><AccessMode>WO</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>

  <MaskedIntReg Name="GevVersionMajor" NameSpace="Standard">
    <ToolTip>Major version of the GigE Vision protocol the device follows.</ToolTip>
    <Address>0x0000</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <LSB>15</LSB><MSB>0</MSB><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </MaskedIntReg>
  <MaskedIntReg Name="GevVersionMinor" NameSpace="Standard">
    <ToolTip>Minor version of the GigE Vision protocol the device follows.</ToolTip>
    <Address>0x0000</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <LSB>31</LSB><MSB>16</MSB><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </MaskedIntReg>
  <MaskedIntReg Name="GevDeviceModeIsBigEndian" NameSpace="Standard">
    <ToolTip>1: the device's registers are big-endian.</ToolTip>
    <Address>0x0004</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Bit>0</Bit><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </MaskedIntReg>
  <IntReg Name="GevMACAddress" NameSpace="Standard">
    <ToolTip>MAC address of the network interface.</ToolTip>
    <Address>0x0008</Address><Length>8</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
    <Representation>MACAddress</Representation>
  </IntReg>

  <Enumeration Name="GevSupportedOptionSelector" NameSpace="Standard">
    <ToolTip>Selects the capability GevSupportedOption reports.</ToolTip>
    <EnumEntry Name="IPConfigurationPersistentIP" NameSpace="Standard"><Value>0</Value></EnumEntry>
    <EnumEntry Name="IPConfigurationDHCP" NameSpace="Standard"><Value>1</Value></EnumEntry>
    <EnumEntry Name="IPConfigurationLLA" NameSpace="Standard"><Value>2</Value></EnumEntry>
    <EnumEntry Name="CommandsConcatenation" NameSpace="Standard"><Value>32</Value></EnumEntry>
    <EnumEntry Name="WriteMem" NameSpace="Standard"><Value>33</Value></EnumEntry>
    <EnumEntry Name="PacketResend" NameSpace="Standard"><Value>34</Value></EnumEntry>
    <EnumEntry Name="Event" NameSpace="Standard"><Value>35</Value></EnumEntry>
    <EnumEntry Name="EventData" NameSpace="Standard"><Value>36</Value></EnumEntry>
    <EnumEntry Name="PendingAck" NameSpace="Standard"><Value>37</Value></EnumEntry>
    <EnumEntry Name="Action" NameSpace="Standard"><Value>38</Value></EnumEntry>
    <EnumEntry Name="HeartbeatDisable" NameSpace="Standard"><Value>61</Value></EnumEntry>
    <EnumEntry Name="SerialNumber" NameSpace="Standard"><Value>62</Value></EnumEntry>
    <EnumEntry Name="UserDefinedName" NameSpace="Standard"><Value>63</Value></EnumEntry>
    <pValue>GevSupportedOptionSelectorValue</pValue>
    <pSelected>GevSupportedOption</pSelected>
  </Enumeration>
  <Integer Name="GevSupportedOptionSelectorValue">
    <Value>0</Value>
  </Integer>
  <Boolean Name="GevSupportedOption" NameSpace="Standard">
    <ToolTip>Whether the device supports the selected capability.</ToolTip>
    <pValue>GevSupportedOptionValue</pValue>
    <OnValue>1</OnValue>
    <OffValue>0</OffValue>
  </Boolean>
  <IntSwissKnife Name="GevSupportedOptionValue">
    <pVariable Name="SEL">GevSupportedOptionSelectorValue</pVariable>
    <pVariable Name="NIC">GevNetworkInterfaceCapability</pVariable>
    <pVariable Name="GVCP">GevGVCPCapability</pVariable>
    <Formula>(SEL &lt; 32) ? ((NIC &gt;&gt; SEL) &amp; 1) : ((GVCP &gt;&gt; (SEL - 32)) &amp; 1)</Formula>
  </IntSwissKnife>
  <IntReg Name="GevNetworkInterfaceCapability">
    <Address>0x0010</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>
  <IntReg Name="GevGVCPCapability">
    <Address>0x0934</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>

  <MaskedIntReg Name="GevCurrentIPConfigurationLLA" NameSpace="Standard">
    <ToolTip>Link-local addressing enabled; takes effect at the next restart.</ToolTip>
    <Address>0x0014</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Bit>29</Bit><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </MaskedIntReg>
  <MaskedIntReg Name="GevCurrentIPConfigurationDHCP" NameSpace="Standard">
    <ToolTip>DHCP enabled; takes effect at the next restart.</ToolTip>
    <Address>0x0014</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Bit>30</Bit><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </MaskedIntReg>
  <MaskedIntReg Name="GevCurrentIPConfigurationPersistentIP" NameSpace="Standard">
    <ToolTip>Persistent address enabled; takes effect at the next restart.</ToolTip>
    <Address>0x0014</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Bit>31</Bit><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </MaskedIntReg>
  <IntReg Name="GevCurrentIPAddress" NameSpace="Standard">
    <ToolTip>Address the device uses now.</ToolTip>
    <Address>0x0024</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
    <Representation>IPV4Address</Representation>
  </IntReg>
  <IntReg Name="GevCurrentSubnetMask" NameSpace="Standard">
    <ToolTip>Subnet mask the device uses now.</ToolTip>
    <Address>0x0034</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
    <Representation>IPV4Address</Representation>
  </IntReg>
  <IntReg Name="GevCurrentDefaultGateway" NameSpace="Standard">
    <ToolTip>Default gateway the device uses now.</ToolTip>
    <Address>0x0044</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
    <Representation>IPV4Address</Representation>
  </IntReg>
  <IntReg Name="GevPersistentIPAddress" NameSpace="Standard">
    <ToolTip>Address taken at restart when the persistent address is enabled.</ToolTip>
    <Address>0x064C</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
    <Representation>IPV4Address</Representation>
  </IntReg>
  <IntReg Name="GevPersistentSubnetMask" NameSpace="Standard">
    <ToolTip>Subnet mask taken with the persistent address.</ToolTip>
    <Address>0x065C</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
    <Representation>IPV4Address</Representation>
  </IntReg>
  <IntReg Name="GevPersistentDefaultGateway" NameSpace="Standard">
    <ToolTip>Default gateway taken with the persistent address.</ToolTip>
    <Address>0x066C</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
    <Representation>IPV4Address</Representation>
  </IntReg>
  <IntReg Name="GevNumberOfInterfaces" NameSpace="Standard">
    <ToolTip>Network interfaces of the device.</ToolTip>
    <Address>0x0600</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>
  <IntReg Name="GevMessageChannelCount" NameSpace="Standard">
    <ToolTip>Message channels of the device; it sends no events.</ToolTip>
    <Address>0x0900</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>
  <IntReg Name="GevStreamChannelCount" NameSpace="Standard">
    <ToolTip>Stream channels of the device; it streams no images.</ToolTip>
    <Address>0x0904</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>
  <Integer Name="GevHeartbeatTimeout" NameSpace="Standard">
    <ToolTip>Milliseconds of silence after which the device drops control.</ToolTip>
    <pValue>GevHeartbeatTimeoutReg</pValue>
    <Min>500</Min>
    <Max>4294967295</Max>
    <Unit>ms</Unit>
  </Integer>
  <IntReg Name="GevHeartbeatTimeoutReg">
    <Address>0x0938</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>
  <IntReg Name="GevTimestampTickFrequency" NameSpace="Standard">
    <ToolTip>Ticks per second of the device's timestamp.</ToolTip>
    <Address>0x093C</Address><Length>8</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
    <Unit>Hz</Unit>
  </IntReg>
  <Command Name="GevTimestampControlLatch" NameSpace="Standard">
    <ToolTip>Copies the timestamp into GevTimestampValue.</ToolTip>
    <pValue>GevTimestampControlReg</pValue>
    <CommandValue>2</CommandValue>
  </Command>
  <Command Name="GevTimestampControlReset" NameSpace="Standard">
    <ToolTip>Starts the timestamp again from zero.</ToolTip>
    <pValue>GevTimestampControlReg</pValue>
    <CommandValue>1</CommandValue>
  </Command>
  <IntReg Name="GevTimestampControlReg">
    <Address>0x0944</Address><Length>4</Length><AccessMode>WO</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>
  <IntReg Name="GevTimestampValue" NameSpace="Standard">
    <ToolTip>Timestamp at the last latch, in ticks.</ToolTip>
    <Address>0x0948</Address><Length>8</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>
  <Enumeration Name="GevCCP" NameSpace="Standard">
    <ToolTip>Control privilege this application holds.</ToolTip>
    <EnumEntry Name="OpenAccess" NameSpace="Standard"><Value>0</Value></EnumEntry>
    <EnumEntry Name="ExclusiveAccess" NameSpace="Standard"><Value>1</Value></EnumEntry>
    <EnumEntry Name="ControlAccess" NameSpace="Standard"><Value>2</Value></EnumEntry>
    <pValue>GevCCPReg</pValue>
  </Enumeration>
  <IntReg Name="GevCCPReg">
    <Address>0x0A00</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
    <Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>
  </IntReg>

  <Port Name="Device" NameSpace="Standard">
    <ToolTip>The device's register space, reached over GVCP.</ToolTip>
  </Port>
</RegisterDescription>
)xml";

}  // namespace

std::string_view deviceDescription() { return kDescription; }

std::string_view descriptionUrl() {
  static const std::string url = [] {
    char text[64];
    std::snprintf(text, sizeof text, "Local:%s;%x;%zx", kFileName, kDescriptionAddress,
                  kDescription.size());
    return std::string(text);
  }();
  return url;
}

}  // namespace sim
